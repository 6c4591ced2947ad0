#pragma once

// The checks made before a momentary-data window opens from the menu: the
// controller's link with the analyser (table 33).

namespace zmk {

class CommandHost;

// "Мгновенные данные хроматографа, зоны параметров газа": reads table 33
// field 0 (interactive, busy cursor) and clears the command panel. Without
// the link: kind 6, "Нет связи с хроматографом" / "(см. текущее состояние
// контроллера)", and false. False also after a failed read (the table
// engine has told the user). True when the link is there.
bool CheckChromatographLink(CommandHost& host);

// The same for the moisture meter: table 33 field 1, "Нет связи с влагомером".
bool CheckMoistureMeterLink(CommandHost& host);

}  // namespace zmk
