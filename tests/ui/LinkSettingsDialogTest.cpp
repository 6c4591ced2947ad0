// The connection parameter dialog: its looks per channel kind, every range
// check of "Принять", the port-mode check box that acts at once, the list of
// present ports and the device search against the simulated controller.
#include <QApplication>
#include <QCheckBox>
#include <QComboBox>
#include <QGroupBox>
#include <QLabel>
#include <QLineEdit>
#include <QPushButton>
#include <QSerialPort>
#include <QTemporaryDir>
#include <QtTest>

#include "MessageLog.h"
#include "NamedChild.h"
#include "SimProcess.h"
#include "settings/MainSettings.h"
#include "link/SerialChannel.h"
#include "link/ControllerLink.h"
#include "link/BaudRates.h"
#include "link/ui/LinkSettingsDialog.h"
#include "app/ConnectionState.h"

using namespace zmk;

namespace {

const QString kNotAll = QStringLiteral("Введены не все параметры");
const QString kOutOfRange = QStringLiteral("Параметр вне допустимого диапазона");
const QString kByteGap = QStringLiteral("Время ожидания следующих байтов ответа");
const QString kAnswerWait = QStringLiteral("Время ожидания первого байта ответа");
const QString kPreambles = QStringLiteral("Количество преамбул в запросе");
const QString kFreeWait = QStringLiteral("Время ожидания освобождения СОМ порта");
const QString kConnectWait = QStringLiteral("Ожидание соединения");
const QString kConnRepeat = QStringLiteral("Количество попыток соединения");

// The widgets of the parameter dialog, all kinds' panels.
struct SettingsWidgets {
    explicit SettingsWidgets(const LinkSettingsDialog& form)
        : serialPanel(Named<QWidget>(&form, "serialPanel")),
          portBox(Named<QComboBox>(&form, "portBox")),
          rateBox(Named<QComboBox>(&form, "rateBox")),
          answerWaitEdit(Named<QLineEdit>(&form, "answerWaitEdit")),
          byteGapEdit(Named<QLineEdit>(&form, "byteGapEdit")),
          preamblesEdit(Named<QLineEdit>(&form, "preamblesEdit")),
          attemptsBox(Named<QComboBox>(&form, "attemptsBox")),
          releasePortCheckBox(Named<QCheckBox>(&form, "releasePortCheckBox")),
          releaseWaitLabel(Named<QLabel>(&form, "releaseWaitLabel")),
          releaseWaitEdit(Named<QLineEdit>(&form, "releaseWaitEdit")),
          phonePanel(Named<QWidget>(&form, "phonePanel")),
          modemCommandEdit(Named<QLineEdit>(&form, "modemCommandEdit")),
          phoneConnectWaitEdit(Named<QLineEdit>(&form, "phoneConnectWaitEdit")),
          phoneConnectAttemptsEdit(Named<QLineEdit>(&form, "phoneConnectAttemptsEdit")),
          ethernetPanel(Named<QWidget>(&form, "ethernetPanel")),
          connectionGroup(Named<QGroupBox>(&form, "connectionGroup")),
          ethernetConnectWaitEdit(Named<QLineEdit>(&form, "ethernetConnectWaitEdit")),
          ethernetConnectAttemptsEdit(Named<QLineEdit>(&form, "ethernetConnectAttemptsEdit")),
          exchangeGroup(Named<QGroupBox>(&form, "exchangeGroup")),
          ethernetAnswerWaitEdit(Named<QLineEdit>(&form, "ethernetAnswerWaitEdit")),
          ethernetPreamblesEdit(Named<QLineEdit>(&form, "ethernetPreamblesEdit")),
          ethernetAttemptsBox(Named<QComboBox>(&form, "ethernetAttemptsBox")),
          ethernetByteGapEdit(Named<QLineEdit>(&form, "ethernetByteGapEdit")),
          acceptButton(Named<QPushButton>(&form, "acceptButton")),
          exitButton(Named<QPushButton>(&form, "exitButton")),
          searchButton(Named<QPushButton>(&form, "searchButton")) {}
    QWidget* serialPanel;
    QComboBox* portBox;
    QComboBox* rateBox;
    QLineEdit* answerWaitEdit;
    QLineEdit* byteGapEdit;
    QLineEdit* preamblesEdit;
    QComboBox* attemptsBox;
    QCheckBox* releasePortCheckBox;
    QLabel* releaseWaitLabel;
    QLineEdit* releaseWaitEdit;
    QWidget* phonePanel;
    QLineEdit* modemCommandEdit;
    QLineEdit* phoneConnectWaitEdit;
    QLineEdit* phoneConnectAttemptsEdit;
    QWidget* ethernetPanel;
    QGroupBox* connectionGroup;
    QLineEdit* ethernetConnectWaitEdit;
    QLineEdit* ethernetConnectAttemptsEdit;
    QGroupBox* exchangeGroup;
    QLineEdit* ethernetAnswerWaitEdit;
    QLineEdit* ethernetPreamblesEdit;
    QComboBox* ethernetAttemptsBox;
    QLineEdit* ethernetByteGapEdit;
    QPushButton* acceptButton;
    QPushButton* exitButton;
    QPushButton* searchButton;
};

// The device of a port that exists, for the validation cases (the list shows
// present ports only; nothing is opened by "Принять").
constexpr int kTestPort = 9;

}  // namespace

class LinkSettingsDialogTest : public QObject {
    Q_OBJECT

private:
    QTemporaryDir dir_;
    QString fakeDevice_;

    void Reset(uint8_t kind) {
        Settings() = MainSettings{};
        Settings().ChannelKind = kind;
        Settings().Direct.Port = kTestPort;
        Settings().Phone.Port = kTestPort;
        ClearComPortDevices();
        SetComPortDevice(kTestPort, fakeDevice_);
    }

    // The value the settings hold for the field of that name.
    int SettingOf(const QString& name) {
        const MainSettings& s = Settings();
        const ChannelParams& r = s.ChannelKind == ChannelPhone ? s.Phone : s.Direct;
        if (name == "byteGapEdit") return r.ByteGapMs;
        if (name == "answerWaitEdit") return r.AnswerWaitS;
        if (name == "preamblesEdit") return r.Preambles;
        if (name == "releaseWaitEdit") return s.FreePortWait;
        if (name == "phoneConnectWaitEdit") return s.PhoneConnectWait;
        if (name == "phoneConnectAttemptsEdit") return s.PhoneConnRepeat;
        if (name == "ethernetConnectWaitEdit") return s.EthernetConnectWait;
        if (name == "ethernetConnectAttemptsEdit") return s.EthernetConnRepeat;
        if (name == "ethernetAnswerWaitEdit") return s.Ethernet.AnswerWaitS;
        if (name == "ethernetPreamblesEdit") return s.Ethernet.Preambles;
        if (name == "ethernetByteGapEdit") return s.Ethernet.ByteGapMs;
        return -1;
    }

private slots:
    void initTestCase() {
        QVERIFY(dir_.isValid());
        fakeDevice_ = dir_.filePath(QStringLiteral("fake-tty"));
        QFile f(fakeDevice_);
        QVERIFY(f.open(QIODevice::WriteOnly));
    }

    void cleanup() {
        ClearComPortDevices();
        Settings() = MainSettings{};
    }

    void rateList() {
        QCOMPARE(RateCount, 22);
        QCOMPARE(RateAt(0), 300);
        QCOMPARE(RateAt(21), 230400);
        QCOMPARE(RateIndex(38400), 18);
        QCOMPARE(RateIndex(5760), 7);
        QCOMPARE(RateIndex(9601), -1);
        QCOMPARE(RateAt(-1), 0);
        QCOMPARE(RateAt(22), 0);
        for (int i = 0; i < RateCount; ++i) {
            QCOMPARE(RateIndex(RateAt(i)), i);
            if (i > 0) QVERIFY(RateAt(i) > RateAt(i - 1));
        }
    }

    void looks_data() {
        QTest::addColumn<int>("kind");
        QTest::addColumn<QString>("caption");
        QTest::addColumn<int>("height");
        QTest::newRow("direct") << 0 << "Параметры связи с устройством (непосредственная связь)" << 264;
        QTest::newRow("telephone") << 1 << "Параметры связи с устройством (связь по телефону)" << 344;
        QTest::newRow("ethernet") << 2 << "Параметры связи с устройством (Ethernet-интерфейс)" << 344;
    }

    void looks() {
        QFETCH(int, kind);
        QFETCH(QString, caption);
        QFETCH(int, height);
        Reset(uint8_t(kind));
        Settings().Direct.Rate = 9600;
        Settings().Phone.Rate = 2400;
        Settings().Phone.Attempts = 3;
        Settings().Command = QStringLiteral("ATX3");
        LinkSettingsDialog form;
        const SettingsWidgets ui(form);
        form.show();
        QVERIFY(QTest::qWaitForWindowExposed(&form));
        QCOMPARE(form.windowTitle(), caption);
        QCOMPARE(form.size(), QSize(606, height));
        QCOMPARE(ui.acceptButton->text(), QStringLiteral("Принять"));
        QCOMPARE(ui.exitButton->text(), QStringLiteral("Выход"));
        QCOMPARE(ui.searchButton->text(), QStringLiteral("Поиск адреса устройства"));
        QCOMPARE(ui.searchButton->isVisible(), kind == 0);
        QCOMPARE(ui.serialPanel->isVisible(), kind != 2);
        QCOMPARE(ui.phonePanel->isVisible(), kind == 1);
        QCOMPARE(ui.ethernetPanel->isVisible(), kind == 2);

        // Every visible widget lies inside its parent.
        for (QWidget* w : form.findChildren<QWidget*>()) {
            if (w->isVisible() && w->parentWidget() != nullptr && !w->inherits("QComboBoxPrivateContainer") &&
                w->parentWidget()->inherits("QWidget") && w->isWindow() == false)
                QVERIFY2(w->parentWidget()->rect().contains(w->geometry()),
                         qPrintable(w->metaObject()->className() + QStringLiteral(" ") +
                                    (qobject_cast<QLabel*>(w) ? qobject_cast<QLabel*>(w)->text() : QString())));
        }
        auto labelTexts = [&] {
            QStringList texts;
            for (QLabel* l : form.findChildren<QLabel*>())
                if (l->isVisibleTo(&form)) texts << l->text();
            return texts;
        };
        const QStringList labels = labelTexts();

        if (kind == 2) {
            QCOMPARE(ui.connectionGroup->title(), QStringLiteral("Соединение \"Клиент-сервер\""));
            QCOMPARE(ui.exchangeGroup->title(), QStringLiteral("Обмен с контроллером"));
            for (const char* text : {"Время ожидания\nсоединения(1...360)", "Кол. попыток соединения\n(1...10)",
                                     "Время ожидания первого\nбайта ответа (1...120)",
                                     "Количество преамбул\nв запросе (0...255)", "Кол. попыток обмена",
                                     "Время ожидания следующих\nбайтов ответа (55...5000)"})
                QVERIFY2(labels.contains(QString::fromUtf8(text)), text);
            QCOMPARE(ui.ethernetConnectWaitEdit->text(), QStringLiteral("10"));
            QCOMPARE(ui.ethernetConnectAttemptsEdit->text(), QStringLiteral("1"));
            QCOMPARE(ui.ethernetAnswerWaitEdit->text(), QStringLiteral("5"));
            QCOMPARE(ui.ethernetByteGapEdit->text(), QStringLiteral("300"));
            QCOMPARE(ui.ethernetPreamblesEdit->text(), QStringLiteral("5"));
            QCOMPARE(ui.ethernetAttemptsBox->currentText(), QStringLiteral(" 1"));
            QCOMPARE(ui.ethernetByteGapEdit->maxLength(), 4);
            for (QLineEdit* e : {ui.ethernetConnectWaitEdit, ui.ethernetConnectAttemptsEdit, ui.ethernetAnswerWaitEdit,
                                 ui.ethernetPreamblesEdit})
                QCOMPARE(e->maxLength(), 3);
            return;
        }

        for (const char* text : {"Порт подключения", "Скорость обмена", "бит/с",
                                 "Время ожидания первого\nбайта ответа (1...120)",
                                 "Время ожидания след.\nбайтов ответа (55...5000)",
                                 "Количество преамбул\nв запросе (0...255)", "Кол. попыток обмена",
                                 "Время ожидания\nосвобождения СОМ порта\n (1...20)", "c", "мс"})
            QVERIFY2(labels.contains(QString::fromUtf8(text)), text);
        QCOMPARE(ui.releasePortCheckBox->text(), QStringLiteral("Освобождать порт после\nкаждого сеанса связи"));
        QCOMPARE(ui.rateBox->count(), RateCount);
        for (int i = 0; i < RateCount; ++i)
            QCOMPARE(ui.rateBox->itemText(i), QString::number(RateAt(i)));
        QCOMPARE(ui.attemptsBox->count(), 5);
        for (int i = 0; i < 5; ++i)
            QCOMPARE(ui.attemptsBox->itemText(i), QStringLiteral(" %1").arg(i + 1));
        QCOMPARE(ui.portBox->currentText(), QStringLiteral("COM%1").arg(kTestPort));
        QCOMPARE(ui.byteGapEdit->maxLength(), 4);
        for (QLineEdit* e : {ui.answerWaitEdit, ui.preamblesEdit, ui.releaseWaitEdit})
            QCOMPARE(e->maxLength(), 3);
        QCOMPARE(ui.byteGapEdit->text(), QStringLiteral("100"));
        QCOMPARE(ui.preamblesEdit->text(), QStringLiteral("5"));
        if (kind == 0) {
            QCOMPARE(ui.rateBox->currentText(), QStringLiteral("9600"));
            QCOMPARE(ui.answerWaitEdit->text(), QStringLiteral("2"));
            QCOMPARE(ui.attemptsBox->currentText(), QStringLiteral(" 1"));
            QVERIFY(ui.releasePortCheckBox->isEnabled());
        } else {
            QCOMPARE(ui.rateBox->currentText(), QStringLiteral("2400"));
            QCOMPARE(ui.answerWaitEdit->text(), QStringLiteral("6"));
            QCOMPARE(ui.attemptsBox->currentText(), QStringLiteral(" 3"));
            // The port-release controls belong to the direct link.
            QVERIFY(!ui.releasePortCheckBox->isEnabled());
            QVERIFY(!ui.releaseWaitEdit->isEnabled());
            QVERIFY(ui.releaseWaitEdit->text().isEmpty());
            QCOMPARE(ui.modemCommandEdit->text(), QStringLiteral("ATX3"));
            QCOMPARE(ui.modemCommandEdit->maxLength(), 200);
            QCOMPARE(ui.phoneConnectWaitEdit->text(), QStringLiteral("50"));
            QCOMPARE(ui.phoneConnectAttemptsEdit->text(), QStringLiteral("1"));
            for (const char* text : {"Команда модему", "Ожидание соединения\n(1...360)",
                                     "Кол. попыток соединения\n(1...10)"})
                QVERIFY2(labels.contains(QString::fromUtf8(text)), text);
        }
    }

    void acceptChecks_data() {
        QTest::addColumn<int>("kind");
        QTest::addColumn<QString>("field");
        QTest::addColumn<QString>("value");
        QTest::addColumn<QString>("line1");  // empty: accepted
        QTest::addColumn<QString>("line2");
        const QString none;
        QTest::newRow("byte gap 54") << 0 << "byteGapEdit" << "54" << kByteGap << kOutOfRange;
        QTest::newRow("byte gap 5001") << 0 << "byteGapEdit" << "5001" << kByteGap << kOutOfRange;
        QTest::newRow("byte gap 55") << 0 << "byteGapEdit" << "55" << none << none;
        QTest::newRow("byte gap 5000") << 0 << "byteGapEdit" << "5000" << none << none;
        QTest::newRow("byte gap empty") << 0 << "byteGapEdit" << "" << kNotAll << "";
        QTest::newRow("byte gap not a number") << 0 << "byteGapEdit" << "5%" << kByteGap << kOutOfRange;
        QTest::newRow("preambles 256") << 0 << "preamblesEdit" << "256" << kPreambles << kOutOfRange;
        QTest::newRow("preambles 255") << 0 << "preamblesEdit" << "255" << none << none;
        QTest::newRow("preambles 0") << 0 << "preamblesEdit" << "0" << none << none;
        QTest::newRow("preambles empty") << 0 << "preamblesEdit" << "" << kNotAll << "";
        QTest::newRow("answer wait 0") << 0 << "answerWaitEdit" << "0" << kAnswerWait << kOutOfRange;
        QTest::newRow("answer wait 121") << 0 << "answerWaitEdit" << "121" << kAnswerWait << kOutOfRange;
        QTest::newRow("answer wait 1") << 0 << "answerWaitEdit" << "1" << none << none;
        QTest::newRow("answer wait 120") << 0 << "answerWaitEdit" << "120" << none << none;
        QTest::newRow("answer wait empty") << 0 << "answerWaitEdit" << "" << kNotAll << "";
        QTest::newRow("release wait 0") << 0 << "releaseWaitEdit" << "0" << kFreeWait << kOutOfRange;
        QTest::newRow("release wait 21") << 0 << "releaseWaitEdit" << "21" << kFreeWait << kOutOfRange;
        QTest::newRow("release wait 7") << 0 << "releaseWaitEdit" << "7" << none << none;
        QTest::newRow("release wait 20") << 0 << "releaseWaitEdit" << "20" << none << none;
        QTest::newRow("release wait empty") << 0 << "releaseWaitEdit" << "" << kNotAll << "";
        QTest::newRow("phone byte gap 54") << 1 << "byteGapEdit" << "54" << kByteGap << kOutOfRange;
        QTest::newRow("phone connect wait 0") << 1 << "phoneConnectWaitEdit" << "0" << kConnectWait << kOutOfRange;
        QTest::newRow("phone connect wait 361") << 1 << "phoneConnectWaitEdit" << "361" << kConnectWait << kOutOfRange;
        QTest::newRow("phone connect wait empty") << 1 << "phoneConnectWaitEdit" << "" << kConnectWait << kOutOfRange;
        QTest::newRow("phone connect wait 360") << 1 << "phoneConnectWaitEdit" << "360" << none << none;
        QTest::newRow("phone attempts 0") << 1 << "phoneConnectAttemptsEdit" << "0" << kConnRepeat << kOutOfRange;
        QTest::newRow("phone attempts 11") << 1 << "phoneConnectAttemptsEdit" << "11" << kConnRepeat << kOutOfRange;
        QTest::newRow("phone attempts 10") << 1 << "phoneConnectAttemptsEdit" << "10" << none << none;
        QTest::newRow("eth byte gap 54") << 2 << "ethernetByteGapEdit" << "54" << kByteGap << kOutOfRange;
        QTest::newRow("eth byte gap 5001") << 2 << "ethernetByteGapEdit" << "5001" << kByteGap << kOutOfRange;
        QTest::newRow("eth byte gap 5000") << 2 << "ethernetByteGapEdit" << "5000" << none << none;
        QTest::newRow("eth preambles 256") << 2 << "ethernetPreamblesEdit" << "256" << kPreambles << kOutOfRange;
        QTest::newRow("eth answer wait 121") << 2 << "ethernetAnswerWaitEdit" << "121" << kAnswerWait << kOutOfRange;
        QTest::newRow("eth answer wait 0") << 2 << "ethernetAnswerWaitEdit" << "0" << kAnswerWait << kOutOfRange;
        QTest::newRow("eth connect wait 361") << 2 << "ethernetConnectWaitEdit" << "361" << kConnectWait << kOutOfRange;
        QTest::newRow("eth connect wait 1") << 2 << "ethernetConnectWaitEdit" << "1" << none << none;
        QTest::newRow("eth attempts 11") << 2 << "ethernetConnectAttemptsEdit" << "11" << kConnRepeat << kOutOfRange;
        QTest::newRow("eth attempts 10") << 2 << "ethernetConnectAttemptsEdit" << "10" << none << none;
        QTest::newRow("eth connect wait empty") << 2 << "ethernetConnectWaitEdit" << "" << kNotAll << "";
    }

    void acceptChecks() {
        QFETCH(int, kind);
        QFETCH(QString, field);
        QFETCH(QString, value);
        QFETCH(QString, line1);
        QFETCH(QString, line2);
        Reset(uint8_t(kind));
        Settings().DoClosePort = field == "releaseWaitEdit";
        const MainSettings before = Settings();

        LinkSettingsDialog form;

        const SettingsWidgets ui(form);
        form.show();
        QVERIFY(QTest::qWaitForWindowExposed(&form));
        QLineEdit* edit = Named<QLineEdit>(&form, field);
        QVERIFY(edit->isEnabled());
        edit->setText(value);

        MessageLog log;
        ui.acceptButton->click();
        if (line1.isEmpty()) {
            QVERIFY(log.seen.isEmpty());
            QCOMPARE(form.result(), int(QDialog::Accepted));
            QCOMPARE(SettingOf(field), value.toInt());
        } else {
            QCOMPARE(log.seen.size(), 1);
            QCOMPARE(log.seen[0].kind, 2);
            QCOMPARE(log.seen[0].caption, QStringLiteral("Ошибка ввода параметров"));
            QCOMPARE(log.seen[0].line1, line1);
            QCOMPARE(log.seen[0].line2, line2);
            QVERIFY(form.isVisible());
            QVERIFY(form.result() != QDialog::Accepted);
            QVERIFY2(Settings() == before, "a refused dialog changes no setting");
        }
    }

    void acceptTakesEveryFieldAtOnce() {
        Reset(ChannelDirect);
        Settings().DoClosePort = true;
        const ChannelParams phoneBefore = Settings().Phone;
        LinkSettingsDialog form;
        const SettingsWidgets ui(form);
        form.show();
        QVERIFY(QTest::qWaitForWindowExposed(&form));
        ui.rateBox->setCurrentIndex(RateIndex(115200));
        ui.attemptsBox->setCurrentIndex(3);
        ui.answerWaitEdit->setText(QStringLiteral("9"));
        ui.byteGapEdit->setText(QStringLiteral("777"));
        ui.preamblesEdit->setText(QStringLiteral("12"));
        ui.releaseWaitEdit->setText(QStringLiteral("7"));
        MessageLog log;
        ui.acceptButton->click();
        QVERIFY(log.seen.isEmpty());
        QCOMPARE(form.result(), int(QDialog::Accepted));
        const ChannelParams& d = Settings().Direct;
        QCOMPARE(int(d.Port), kTestPort);
        QCOMPARE(d.Rate, 115200);
        QCOMPARE(int(d.Attempts), 4);
        QCOMPARE(d.AnswerWaitS, 9);
        QCOMPARE(d.ByteGapMs, 777);
        QCOMPARE(int(d.Preambles), 12);
        QCOMPARE(Settings().FreePortWait, 7);
        QVERIFY(Settings().Phone == phoneBefore);

        // The telephone command, empty allowed.
        Reset(ChannelPhone);
        Settings().Command = QStringLiteral("ATZ");
        LinkSettingsDialog phone;
        const SettingsWidgets phoneUi(phone);
        phone.show();
        phoneUi.modemCommandEdit->clear();
        phoneUi.acceptButton->click();
        QVERIFY(log.seen.isEmpty());
        QCOMPARE(phone.result(), int(QDialog::Accepted));
        QVERIFY(Settings().Command.isEmpty());
    }

    void missingSelectionIsNotAllParameters() {
        // The record's port is not present, and the rate is not in the list.
        Reset(ChannelDirect);
        Settings().Direct.Port = 200;
        LinkSettingsDialog noPort;
        const SettingsWidgets noPortUi(noPort);
        noPort.show();
        QCOMPARE(noPortUi.portBox->currentIndex(), -1);
        MessageLog log;
        noPortUi.acceptButton->click();
        QCOMPARE(log.seen.size(), 1);
        QCOMPARE(log.seen[0].line1, kNotAll);
        QVERIFY(noPort.isVisible());

        Reset(ChannelDirect);
        Settings().Direct.Rate = 1234;
        LinkSettingsDialog noRate;
        const SettingsWidgets noRateUi(noRate);
        noRate.show();
        QCOMPARE(noRateUi.rateBox->currentIndex(), -1);
        noRateUi.acceptButton->click();
        QCOMPARE(log.seen.size(), 2);
        QCOMPARE(log.seen[1].line1, kNotAll);
    }

    void checkBoxActsAtOnceEvenAfterExit() {
        Reset(ChannelDirect);
        Settings().FreePortWait = 4;
        LinkSettingsDialog form;
        const SettingsWidgets ui(form);
        form.show();
        QVERIFY(QTest::qWaitForWindowExposed(&form));
        QVERIFY(!ui.releasePortCheckBox->isChecked());
        QVERIFY(!ui.releaseWaitEdit->isEnabled());
        QVERIFY(ui.releaseWaitEdit->text().isEmpty());

        ui.releasePortCheckBox->click();
        QVERIFY(Settings().DoClosePort);
        QVERIFY(ui.releaseWaitEdit->isEnabled());
        QVERIFY(ui.releaseWaitLabel->isEnabled());
        QCOMPARE(ui.releaseWaitEdit->text(), QStringLiteral("4"));

        // Other edits are dropped by "Выход"; the port mode stays.
        ui.byteGapEdit->setText(QStringLiteral("999"));
        ui.releaseWaitEdit->setText(QStringLiteral("9"));
        ui.exitButton->click();
        QCOMPARE(form.result(), int(QDialog::Rejected));
        QVERIFY(Settings().DoClosePort);
        QCOMPARE(Settings().Direct.ByteGapMs, 100);
        QCOMPARE(Settings().FreePortWait, 4);

        // And back off, again at once.
        LinkSettingsDialog again;
        const SettingsWidgets againUi(again);
        again.show();
        QVERIFY(againUi.releasePortCheckBox->isChecked());
        QCOMPARE(againUi.releaseWaitEdit->text(), QStringLiteral("4"));
        againUi.releasePortCheckBox->click();
        QVERIFY(!Settings().DoClosePort);
        QVERIFY(!againUi.releaseWaitEdit->isEnabled());
        QVERIFY(againUi.releaseWaitEdit->text().isEmpty());
        againUi.exitButton->click();
        QVERIFY(!Settings().DoClosePort);
    }

    void busyPortIsListed() {
        SimProcess sim({"--pty", "--no-tcp"});
        QVERIFY2(sim.ready(), qPrintable(sim.output()));
        Reset(ChannelDirect);
        SetComPortDevice(12, sim.ptyPath());
        SetComPortDevice(13, dir_.filePath(QStringLiteral("no-such-device")));
        QSerialPort holder(sim.ptyPath());
        QVERIFY2(holder.open(QIODevice::ReadWrite), qPrintable(holder.errorString()));
        // Opened by someone else, it is busy now.
        QSerialPort other(sim.ptyPath());
        QVERIFY(!other.open(QIODevice::ReadWrite));

        const QList<int> ports = LinkSettingsDialog::PresentPorts();
        QVERIFY(ports.contains(12));
        QVERIFY(ports.contains(kTestPort));
        QVERIFY(!ports.contains(13));
        LinkSettingsDialog form;
        const SettingsWidgets ui(form);
        const int index = ui.portBox->findText(QStringLiteral("COM12"));
        QVERIFY(index >= 0);
        QCOMPARE(ui.portBox->itemData(index).toInt(), 12);
        QCOMPARE(ui.portBox->itemData(index, Qt::ToolTipRole).toString(), sim.ptyPath());
        QCOMPARE(ui.portBox->findText(QStringLiteral("COM13")), -1);
    }

    void deviceSearchFindsTheAnsweringAddress() {
        SimProcess sim({"--pty", "--no-tcp", "--address", "17"});
        QVERIFY2(sim.ready(), qPrintable(sim.output()));
        Reset(ChannelDirect);
        SetComPortDevice(12, sim.ptyPath());
        Settings().Direct.Port = 12;
        Settings().Direct.Address = 1;
        ControllerLink link(1);
        LinkSettingsDialog form(nullptr, &link);
        const SettingsWidgets ui(form);
        form.show();
        QVERIFY(QTest::qWaitForWindowExposed(&form));
        MessageLog log;
        ui.searchButton->click();
        QCOMPARE(log.seen.size(), 1);
        QCOMPARE(log.seen[0].kind, 5);
        QCOMPARE(log.seen[0].line1, QStringLiteral("Адрес устройства установлен"));
        QCOMPARE(log.seen[0].line2, QStringLiteral("(адрес = 17)."));
        QCOMPARE(int(Settings().Direct.Address), 17);
        QCOMPARE(form.result(), int(QDialog::Accepted));
        QVERIFY(!link.PortHandle);  // the port is released after the search
        QVERIFY(ui.exitButton->isEnabled());
    }

    void deviceSearchWithoutAnswerOrPort() {
        SimProcess sim({"--pty", "--no-tcp", "--silent"});
        QVERIFY2(sim.ready(), qPrintable(sim.output()));
        Reset(ChannelDirect);
        SetComPortDevice(12, sim.ptyPath());
        Settings().Direct.Port = 12;
        Settings().Direct.Address = 3;
        Settings().Direct.AnswerWaitS = 1;
        ControllerLink link(1);
        MessageLog log;
        {
            LinkSettingsDialog form(nullptr, &link);
            const SettingsWidgets ui(form);
            form.show();
            ui.searchButton->click();
            QCOMPARE(log.seen.size(), 1);
            QCOMPARE(log.seen[0].kind, 5);
            QCOMPARE(log.seen[0].line1, QStringLiteral("Устройство не обнаружено"));
            QVERIFY(log.seen[0].line2.isEmpty());
            QVERIFY(form.isVisible());
            QCOMPARE(int(Settings().Direct.Address), 3);
            QVERIFY(ui.searchButton->isEnabled());
            QVERIFY(ui.exitButton->isEnabled());
        }
        // A present device that is no serial port cannot be opened.
        Settings().Direct.Port = kTestPort;
        LinkSettingsDialog form(nullptr, &link);
        const SettingsWidgets ui(form);
        form.show();
        ui.searchButton->click();
        QCOMPARE(log.seen.size(), 2);
        QCOMPARE(log.seen[1].kind, 6);
        QVERIFY(log.seen[1].caption.isEmpty());
        QCOMPARE(log.seen[1].line1, QStringLiteral("Коммуникационный порт СОМ%1 недоступен").arg(kTestPort));
        QVERIFY(form.isVisible());
    }
};

QTEST_MAIN(LinkSettingsDialogTest)
#include "LinkSettingsDialogTest.moc"
