#pragma once

#include <QDialog>

class QFrame;
class QLabel;
class QPushButton;

namespace zmk {

// "О программе": the picture, the program label, the version panel, the
// years and a close button. Widgets for tests: "pictureLabel",
// "productNameLabel", "versionPanel", "versionLabel", "firstYearLabel",
// "lastYearLabel", "closeButton".
class AboutDialog : public QDialog {
    Q_OBJECT

public:
    static constexpr int FormWidth = 540;
    static constexpr int FormHeight = 546;

    explicit AboutDialog(QWidget* parent = nullptr);

    // The picture of the box, drawn rather than loaded.
    static QPixmap DrawPicture(int width, int height);

private:
    QLabel* pictureLabel_;      // the picture
    QLabel* productNameLabel_;  // "zmk_NGC8200"
    QFrame* versionPanel_;
    QLabel* versionLabel_;      // "Версия     10.06", on the panel
    QLabel* firstYearLabel_;    // "2004"
    QLabel* lastYearLabel_;     // "2024"
    QPushButton* closeButton_;  // "Закрыть"
};

}  // namespace zmk
