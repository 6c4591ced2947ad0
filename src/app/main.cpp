#include <QApplication>
#include <QLocale>

#include "app/ui/Main.h"

int main(int argc, char** argv) {
    QApplication app(argc, argv);
    QApplication::setApplicationName(QStringLiteral("zmk"));
    // One decimal separator everywhere: the full stop.
    QLocale::setDefault(QLocale::c());

    zmk::TFormMain window;
    window.show();
    return app.exec();
}
