#pragma once

// The configuration editor: a whole configuration record, its name typed in
// place and every other part opened in its own parameter dialog, which edits
// the record (nothing is sent from here).
// Widgets for tests: "nameEdit"; the buttons "identificationButton",
// "flowLinkButton", "upperLevelButton", "chromatographButton",
// "moistureMeterButton" (with its label "moistureMeterLabel"),
// "ethernetButton", "systemButton", "flowComputersButton",
// "gasWriteButton", "hourlyPeriodButton", "usersButton", "limitsButton",
// "confirmButton", "cancelButton".

#include <QDialog>
#include <memory>

class QLabel;
class QLineEdit;
class QPushButton;

namespace zmk {

struct ConfigRecord;

class ConfigEditorDialog : public QDialog {
    Q_OBJECT

public:
    static constexpr int FormWidth = 760;
    static constexpr int FormHeight = 404;

    // Edit: "Принять" (a configuration file); Write: "Записать в устройство"
    // (the record goes on to be written into the controller).
    enum class Mode { Edit, Write };

    // record: edited in place; the caller discards it when the editor is
    // left with "Отменить".
    ConfigEditorDialog(ConfigRecord& record, Mode mode, QWidget* parent = nullptr);
    ~ConfigEditorDialog() override;

    // After acceptance: whether the record differs from the one given.
    bool Changed() const { return changed_; }

    // "Параметры конфигурации контроллера " + the trimmed name in double quotation marks + " ".
    static QString TitleFor(const ConfigRecord& record);

private:
    QPushButton* AddButton(const QString& caption, const char* name, void (ConfigEditorDialog::*open)());
    void nameEdited(const QString& text);
    void showMoistureMeterState();
    // Runs a sub-dialog with the editor's panel darkened.
    int RunDialog(QDialog& form);

    void openIdentification();
    void openFlowLink();
    void openUpperLevel();
    void openChromatograph();
    void openMoistureMeter();
    void openEthernet();
    void openSystem();
    void openFlowComputers();
    void openGasWrite();
    void openHourlyPeriod();
    void openUsers();
    void openLimits();
    void confirm();

    ConfigRecord& record_;
    // The record as given, kept aside for the change test. (The record's
    // header stays out of this one: its limits share names with the
    // flow-computer tables' ones that other dialogs bring in.)
    const std::unique_ptr<const ConfigRecord> original_;
    bool changed_ = false;
    QString lastName_;
    QWidget* panel_;
    QLineEdit* nameEdit_;
    QLabel* moistureLabel_;
    QPushButton* moistureButton_;
};

}  // namespace zmk
