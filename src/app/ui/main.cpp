#include <QApplication>
#include <QLocale>

#include "app/ui/MainWindow.h"
#include "common/ui/RussianTexts.h"

int main(int argc, char** argv) {
    QApplication app(argc, argv);
    QApplication::setApplicationName(QStringLiteral("zmk"));
    // One decimal separator everywhere: the full stop.
    QLocale::setDefault(QLocale::c());
    zmk::InstallRussianTexts(app);

    zmk::MainWindow window;
    window.show();
    return app.exec();
}
