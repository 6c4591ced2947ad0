#pragma once

class QApplication;

namespace zmk {

// The toolkit's own texts in Russian: the standard buttons and the file
// dialogs from Qt's translations ("qtbase_ru.qm" of the Qt installation),
// Russian month and day names in every calendar. Numbers keep the C
// locale's full stop everywhere: the Russian locale is given to calendars
// only, never made the default. False when Qt's translation file was not
// found (the texts then stay English; the calendars are Russian all the same).
bool InstallRussianTexts(QApplication& app);

}  // namespace zmk
