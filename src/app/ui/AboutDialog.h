#pragma once

#include <QDialog>

class QFrame;
class QLabel;
class QPushButton;

namespace zmk {

// "О программе": the picture, the program label, the version panel, the
// years and a close button.
class AboutDialog : public QDialog {
    Q_OBJECT

public:
    static constexpr int FormWidth = 540;
    static constexpr int FormHeight = 546;

    explicit AboutDialog(QWidget* parent = nullptr);

    QLabel* Image1;        // the picture
    QLabel* ProductName;   // "zmk_NGC8200"
    QFrame* VersionPanel;
    QLabel* Version;       // "Версия     10.06"
    QLabel* YearFirst;     // "2004"
    QLabel* YearLast;      // "2024"
    QPushButton* BitBtnClose;

    // The picture of the box, drawn rather than loaded.
    static QPixmap DrawPicture(int width, int height);
};

}  // namespace zmk
