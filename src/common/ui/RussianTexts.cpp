#include "common/ui/RussianTexts.h"

#include <QApplication>
#include <QCalendarWidget>
#include <QEvent>
#include <QLibraryInfo>
#include <QLocale>
#include <QTranslator>

namespace zmk {

namespace {

// Gives every calendar the Russian locale before it is first shown (the
// pop-up calendars of date pickers are made only when first opened).
class CalendarLocale : public QObject {
public:
    using QObject::QObject;

protected:
    bool eventFilter(QObject* watched, QEvent* event) override {
        if (event->type() == QEvent::Polish)
            if (auto* calendar = qobject_cast<QCalendarWidget*>(watched))
                calendar->setLocale(QLocale(QLocale::Russian, QLocale::Russia));
        return QObject::eventFilter(watched, event);
    }
};

}  // namespace

bool InstallRussianTexts(QApplication& app) {
    app.installEventFilter(new CalendarLocale(&app));
    auto* translator = new QTranslator(&app);
    if (!translator->load(QStringLiteral("qtbase_ru"), QLibraryInfo::path(QLibraryInfo::TranslationsPath))) {
        delete translator;
        return false;
    }
    return QApplication::installTranslator(translator);
}

}  // namespace zmk
