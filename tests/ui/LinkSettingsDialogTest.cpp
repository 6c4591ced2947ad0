// The connection parameter dialog: its looks per channel kind, every range
// check of "Принять", the port-mode check box that acts at once, the list of
// present ports and the device search against the simulated controller.
#include <QApplication>
#include <QCheckBox>
#include <QComboBox>
#include <QElapsedTimer>
#include <QGroupBox>
#include <QLabel>
#include <QLineEdit>
#include <QPointer>
#include <QPushButton>
#include <QSerialPort>
#include <QTemporaryDir>
#include <QTimer>
#include <QtTest>
#include <functional>

#include "SimProcess.h"
#include "settings/MainSettings.h"
#include "MessageTrap.h"
#include "common/ui/MessageDialog.h"
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

struct SeenMessage {
    int kind = 0;
    QString caption;
    QString line1;
    QString line2;
};

// Acknowledges every shared message shown while it lives and remembers
// what it showed.
class MessageWatcher {
public:
    QList<SeenMessage> seen;

private:
    MessageTrap trap_{[this](MessageKind kind, const MessageLook& look) {
        seen.append({int(kind), look.Caption, look.Line1, look.Line2});
        return false;
    }};
};

// The device of a port that exists, for the validation cases (the list shows
// present ports only; nothing is opened by "Принять").
constexpr int kTestPort = 9;

}  // namespace

class ConnParTest : public QObject {
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

    QLineEdit* Field(LinkSettingsDialog& form, const QString& name) {
        if (name == "bytegap") return form.EditByteGap;
        if (name == "answer") return form.EditAnswerWait;
        if (name == "preambles") return form.EditPreambles;
        if (name == "free") return form.EditFreeWait;
        if (name == "phoneconnect") return form.EditPhoneConnectWait;
        if (name == "phonerepeat") return form.EditPhoneConnRepeat;
        if (name == "ethconnect") return form.EditEthConnectWait;
        if (name == "ethrepeat") return form.EditEthConnRepeat;
        if (name == "ethanswer") return form.EditEthAnswerWait;
        if (name == "ethpreambles") return form.EditEthPreambles;
        if (name == "ethbytegap") return form.EditEthByteGap;
        return nullptr;
    }

    // The value the settings hold for a field.
    int SettingOf(const QString& name) {
        const MainSettings& s = Settings();
        const ChannelParams& r = s.ChannelKind == ChannelPhone ? s.Phone : s.Direct;
        if (name == "bytegap") return r.ByteGapMs;
        if (name == "answer") return r.AnswerWaitS;
        if (name == "preambles") return r.Preambles;
        if (name == "free") return s.FreePortWait;
        if (name == "phoneconnect") return s.PhoneConnectWait;
        if (name == "phonerepeat") return s.PhoneConnRepeat;
        if (name == "ethconnect") return s.EthernetConnectWait;
        if (name == "ethrepeat") return s.EthernetConnRepeat;
        if (name == "ethanswer") return s.Ethernet.AnswerWaitS;
        if (name == "ethpreambles") return s.Ethernet.Preambles;
        if (name == "ethbytegap") return s.Ethernet.ByteGapMs;
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
        form.show();
        QVERIFY(QTest::qWaitForWindowExposed(&form));
        QCOMPARE(form.windowTitle(), caption);
        QCOMPARE(form.size(), QSize(606, height));
        QCOMPARE(form.BitBtnOk->text(), QStringLiteral("Принять"));
        QCOMPARE(form.BitBtnExit->text(), QStringLiteral("Выход"));
        QCOMPARE(form.BitBtnSearch->text(), QStringLiteral("Поиск адреса устройства"));
        QCOMPARE(form.BitBtnSearch->isVisible(), kind == 0);
        QCOMPARE(form.PanelSerial->isVisible(), kind != 2);
        QCOMPARE(form.PanelPhone->isVisible(), kind == 1);
        QCOMPARE(form.PanelEthernet->isVisible(), kind == 2);

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
            QCOMPARE(form.GroupConnection->title(), QStringLiteral("Соединение \"Клиент-сервер\""));
            QCOMPARE(form.GroupExchange->title(), QStringLiteral("Обмен с контроллером"));
            for (const char* text : {"Время ожидания\nсоединения(1...360)", "Кол. попыток соединения\n(1...10)",
                                     "Время ожидания первого\nбайта ответа (1...120)",
                                     "Количество преамбул\nв запросе (0...255)", "Кол. попыток обмена",
                                     "Время ожидания следующих\nбайтов ответа (55...5000)"})
                QVERIFY2(labels.contains(QString::fromUtf8(text)), text);
            QCOMPARE(form.EditEthConnectWait->text(), QStringLiteral("10"));
            QCOMPARE(form.EditEthConnRepeat->text(), QStringLiteral("1"));
            QCOMPARE(form.EditEthAnswerWait->text(), QStringLiteral("5"));
            QCOMPARE(form.EditEthByteGap->text(), QStringLiteral("300"));
            QCOMPARE(form.EditEthPreambles->text(), QStringLiteral("5"));
            QCOMPARE(form.ComboBoxEthAttempts->currentText(), QStringLiteral(" 1"));
            QCOMPARE(form.EditEthByteGap->maxLength(), 4);
            for (QLineEdit* e : {form.EditEthConnectWait, form.EditEthConnRepeat, form.EditEthAnswerWait,
                                 form.EditEthPreambles})
                QCOMPARE(e->maxLength(), 3);
            return;
        }

        for (const char* text : {"Порт подключения", "Скорость обмена", "бит/с",
                                 "Время ожидания первого\nбайта ответа (1...120)",
                                 "Время ожидания след.\nбайтов ответа (55...5000)",
                                 "Количество преамбул\nв запросе (0...255)", "Кол. попыток обмена",
                                 "Время ожидания\nосвобождения СОМ порта\n (1...20)", "c", "мс"})
            QVERIFY2(labels.contains(QString::fromUtf8(text)), text);
        QCOMPARE(form.CheckBoxClosePort->text(), QStringLiteral("Освобождать порт после\nкаждого сеанса связи"));
        QCOMPARE(form.ComboBoxRate->count(), RateCount);
        for (int i = 0; i < RateCount; ++i)
            QCOMPARE(form.ComboBoxRate->itemText(i), QString::number(RateAt(i)));
        QCOMPARE(form.ComboBoxAttempts->count(), 5);
        for (int i = 0; i < 5; ++i)
            QCOMPARE(form.ComboBoxAttempts->itemText(i), QStringLiteral(" %1").arg(i + 1));
        QCOMPARE(form.ComboBoxPort->currentText(), QStringLiteral("COM%1").arg(kTestPort));
        QCOMPARE(form.EditByteGap->maxLength(), 4);
        for (QLineEdit* e : {form.EditAnswerWait, form.EditPreambles, form.EditFreeWait})
            QCOMPARE(e->maxLength(), 3);
        QCOMPARE(form.EditByteGap->text(), QStringLiteral("100"));
        QCOMPARE(form.EditPreambles->text(), QStringLiteral("5"));
        if (kind == 0) {
            QCOMPARE(form.ComboBoxRate->currentText(), QStringLiteral("9600"));
            QCOMPARE(form.EditAnswerWait->text(), QStringLiteral("2"));
            QCOMPARE(form.ComboBoxAttempts->currentText(), QStringLiteral(" 1"));
            QVERIFY(form.CheckBoxClosePort->isEnabled());
        } else {
            QCOMPARE(form.ComboBoxRate->currentText(), QStringLiteral("2400"));
            QCOMPARE(form.EditAnswerWait->text(), QStringLiteral("6"));
            QCOMPARE(form.ComboBoxAttempts->currentText(), QStringLiteral(" 3"));
            // The port-release controls belong to the direct link.
            QVERIFY(!form.CheckBoxClosePort->isEnabled());
            QVERIFY(!form.EditFreeWait->isEnabled());
            QVERIFY(form.EditFreeWait->text().isEmpty());
            QCOMPARE(form.EditCommand->text(), QStringLiteral("ATX3"));
            QCOMPARE(form.EditCommand->maxLength(), 200);
            QCOMPARE(form.EditPhoneConnectWait->text(), QStringLiteral("50"));
            QCOMPARE(form.EditPhoneConnRepeat->text(), QStringLiteral("1"));
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
        QTest::newRow("byte gap 54") << 0 << "bytegap" << "54" << kByteGap << kOutOfRange;
        QTest::newRow("byte gap 5001") << 0 << "bytegap" << "5001" << kByteGap << kOutOfRange;
        QTest::newRow("byte gap 55") << 0 << "bytegap" << "55" << none << none;
        QTest::newRow("byte gap 5000") << 0 << "bytegap" << "5000" << none << none;
        QTest::newRow("byte gap empty") << 0 << "bytegap" << "" << kNotAll << "";
        QTest::newRow("byte gap not a number") << 0 << "bytegap" << "5%" << kByteGap << kOutOfRange;
        QTest::newRow("preambles 256") << 0 << "preambles" << "256" << kPreambles << kOutOfRange;
        QTest::newRow("preambles 255") << 0 << "preambles" << "255" << none << none;
        QTest::newRow("preambles 0") << 0 << "preambles" << "0" << none << none;
        QTest::newRow("preambles empty") << 0 << "preambles" << "" << kNotAll << "";
        QTest::newRow("answer wait 0") << 0 << "answer" << "0" << kAnswerWait << kOutOfRange;
        QTest::newRow("answer wait 121") << 0 << "answer" << "121" << kAnswerWait << kOutOfRange;
        QTest::newRow("answer wait 1") << 0 << "answer" << "1" << none << none;
        QTest::newRow("answer wait 120") << 0 << "answer" << "120" << none << none;
        QTest::newRow("answer wait empty") << 0 << "answer" << "" << kNotAll << "";
        QTest::newRow("release wait 0") << 0 << "free" << "0" << kFreeWait << kOutOfRange;
        QTest::newRow("release wait 21") << 0 << "free" << "21" << kFreeWait << kOutOfRange;
        QTest::newRow("release wait 7") << 0 << "free" << "7" << none << none;
        QTest::newRow("release wait 20") << 0 << "free" << "20" << none << none;
        QTest::newRow("release wait empty") << 0 << "free" << "" << kNotAll << "";
        QTest::newRow("phone byte gap 54") << 1 << "bytegap" << "54" << kByteGap << kOutOfRange;
        QTest::newRow("phone connect wait 0") << 1 << "phoneconnect" << "0" << kConnectWait << kOutOfRange;
        QTest::newRow("phone connect wait 361") << 1 << "phoneconnect" << "361" << kConnectWait << kOutOfRange;
        QTest::newRow("phone connect wait empty") << 1 << "phoneconnect" << "" << kConnectWait << kOutOfRange;
        QTest::newRow("phone connect wait 360") << 1 << "phoneconnect" << "360" << none << none;
        QTest::newRow("phone attempts 0") << 1 << "phonerepeat" << "0" << kConnRepeat << kOutOfRange;
        QTest::newRow("phone attempts 11") << 1 << "phonerepeat" << "11" << kConnRepeat << kOutOfRange;
        QTest::newRow("phone attempts 10") << 1 << "phonerepeat" << "10" << none << none;
        QTest::newRow("eth byte gap 54") << 2 << "ethbytegap" << "54" << kByteGap << kOutOfRange;
        QTest::newRow("eth byte gap 5001") << 2 << "ethbytegap" << "5001" << kByteGap << kOutOfRange;
        QTest::newRow("eth byte gap 5000") << 2 << "ethbytegap" << "5000" << none << none;
        QTest::newRow("eth preambles 256") << 2 << "ethpreambles" << "256" << kPreambles << kOutOfRange;
        QTest::newRow("eth answer wait 121") << 2 << "ethanswer" << "121" << kAnswerWait << kOutOfRange;
        QTest::newRow("eth answer wait 0") << 2 << "ethanswer" << "0" << kAnswerWait << kOutOfRange;
        QTest::newRow("eth connect wait 361") << 2 << "ethconnect" << "361" << kConnectWait << kOutOfRange;
        QTest::newRow("eth connect wait 1") << 2 << "ethconnect" << "1" << none << none;
        QTest::newRow("eth attempts 11") << 2 << "ethrepeat" << "11" << kConnRepeat << kOutOfRange;
        QTest::newRow("eth attempts 10") << 2 << "ethrepeat" << "10" << none << none;
        QTest::newRow("eth connect wait empty") << 2 << "ethconnect" << "" << kNotAll << "";
    }

    void acceptChecks() {
        QFETCH(int, kind);
        QFETCH(QString, field);
        QFETCH(QString, value);
        QFETCH(QString, line1);
        QFETCH(QString, line2);
        Reset(uint8_t(kind));
        Settings().DoClosePort = field == "free";
        const MainSettings before = Settings();

        LinkSettingsDialog form;
        form.show();
        QVERIFY(QTest::qWaitForWindowExposed(&form));
        QLineEdit* edit = Field(form, field);
        QVERIFY(edit != nullptr);
        QVERIFY(edit->isEnabled());
        edit->setText(value);

        MessageWatcher watcher;
        form.BitBtnOk->click();
        if (line1.isEmpty()) {
            QVERIFY(watcher.seen.isEmpty());
            QCOMPARE(form.result(), int(QDialog::Accepted));
            QCOMPARE(SettingOf(field), value.toInt());
        } else {
            QCOMPARE(watcher.seen.size(), 1);
            QCOMPARE(watcher.seen[0].kind, 2);
            QCOMPARE(watcher.seen[0].caption, QStringLiteral("Ошибка ввода параметров"));
            QCOMPARE(watcher.seen[0].line1, line1);
            QCOMPARE(watcher.seen[0].line2, line2);
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
        form.show();
        QVERIFY(QTest::qWaitForWindowExposed(&form));
        form.ComboBoxRate->setCurrentIndex(RateIndex(115200));
        form.ComboBoxAttempts->setCurrentIndex(3);
        form.EditAnswerWait->setText(QStringLiteral("9"));
        form.EditByteGap->setText(QStringLiteral("777"));
        form.EditPreambles->setText(QStringLiteral("12"));
        form.EditFreeWait->setText(QStringLiteral("7"));
        MessageWatcher watcher;
        form.BitBtnOk->click();
        QVERIFY(watcher.seen.isEmpty());
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
        phone.show();
        phone.EditCommand->clear();
        phone.BitBtnOk->click();
        QVERIFY(watcher.seen.isEmpty());
        QCOMPARE(phone.result(), int(QDialog::Accepted));
        QVERIFY(Settings().Command.isEmpty());
    }

    void missingSelectionIsNotAllParameters() {
        // The record's port is not present, and the rate is not in the list.
        Reset(ChannelDirect);
        Settings().Direct.Port = 200;
        LinkSettingsDialog noPort;
        noPort.show();
        QCOMPARE(noPort.ComboBoxPort->currentIndex(), -1);
        MessageWatcher watcher;
        noPort.BitBtnOk->click();
        QCOMPARE(watcher.seen.size(), 1);
        QCOMPARE(watcher.seen[0].line1, kNotAll);
        QVERIFY(noPort.isVisible());

        Reset(ChannelDirect);
        Settings().Direct.Rate = 1234;
        LinkSettingsDialog noRate;
        noRate.show();
        QCOMPARE(noRate.ComboBoxRate->currentIndex(), -1);
        noRate.BitBtnOk->click();
        QCOMPARE(watcher.seen.size(), 2);
        QCOMPARE(watcher.seen[1].line1, kNotAll);
    }

    void checkBoxActsAtOnceEvenAfterExit() {
        Reset(ChannelDirect);
        Settings().FreePortWait = 4;
        LinkSettingsDialog form;
        form.show();
        QVERIFY(QTest::qWaitForWindowExposed(&form));
        QVERIFY(!form.CheckBoxClosePort->isChecked());
        QVERIFY(!form.EditFreeWait->isEnabled());
        QVERIFY(form.EditFreeWait->text().isEmpty());

        form.CheckBoxClosePort->click();
        QVERIFY(Settings().DoClosePort);
        QVERIFY(form.EditFreeWait->isEnabled());
        QVERIFY(form.LabelFreeWait->isEnabled());
        QCOMPARE(form.EditFreeWait->text(), QStringLiteral("4"));

        // Other edits are dropped by "Выход"; the port mode stays.
        form.EditByteGap->setText(QStringLiteral("999"));
        form.EditFreeWait->setText(QStringLiteral("9"));
        form.BitBtnExit->click();
        QCOMPARE(form.result(), int(QDialog::Rejected));
        QVERIFY(Settings().DoClosePort);
        QCOMPARE(Settings().Direct.ByteGapMs, 100);
        QCOMPARE(Settings().FreePortWait, 4);

        // And back off, again at once.
        LinkSettingsDialog again;
        again.show();
        QVERIFY(again.CheckBoxClosePort->isChecked());
        QCOMPARE(again.EditFreeWait->text(), QStringLiteral("4"));
        again.CheckBoxClosePort->click();
        QVERIFY(!Settings().DoClosePort);
        QVERIFY(!again.EditFreeWait->isEnabled());
        QVERIFY(again.EditFreeWait->text().isEmpty());
        again.BitBtnExit->click();
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
        const int index = form.ComboBoxPort->findText(QStringLiteral("COM12"));
        QVERIFY(index >= 0);
        QCOMPARE(form.ComboBoxPort->itemData(index).toInt(), 12);
        QCOMPARE(form.ComboBoxPort->itemData(index, Qt::ToolTipRole).toString(), sim.ptyPath());
        QCOMPARE(form.ComboBoxPort->findText(QStringLiteral("COM13")), -1);
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
        form.show();
        QVERIFY(QTest::qWaitForWindowExposed(&form));
        MessageWatcher watcher;
        form.BitBtnSearch->click();
        QCOMPARE(watcher.seen.size(), 1);
        QCOMPARE(watcher.seen[0].kind, 5);
        QCOMPARE(watcher.seen[0].line1, QStringLiteral("Адрес устройства установлен"));
        QCOMPARE(watcher.seen[0].line2, QStringLiteral("(адрес = 17)."));
        QCOMPARE(int(Settings().Direct.Address), 17);
        QCOMPARE(form.result(), int(QDialog::Accepted));
        QVERIFY(!link.PortHandle);  // the port is released after the search
        QVERIFY(form.BitBtnExit->isEnabled());
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
        MessageWatcher watcher;
        {
            LinkSettingsDialog form(nullptr, &link);
            form.show();
            form.BitBtnSearch->click();
            QCOMPARE(watcher.seen.size(), 1);
            QCOMPARE(watcher.seen[0].kind, 5);
            QCOMPARE(watcher.seen[0].line1, QStringLiteral("Устройство не обнаружено"));
            QVERIFY(watcher.seen[0].line2.isEmpty());
            QVERIFY(form.isVisible());
            QCOMPARE(int(Settings().Direct.Address), 3);
            QVERIFY(form.BitBtnSearch->isEnabled());
            QVERIFY(form.BitBtnExit->isEnabled());
        }
        // A present device that is no serial port cannot be opened.
        Settings().Direct.Port = kTestPort;
        LinkSettingsDialog form(nullptr, &link);
        form.show();
        form.BitBtnSearch->click();
        QCOMPARE(watcher.seen.size(), 2);
        QCOMPARE(watcher.seen[1].kind, 6);
        QVERIFY(watcher.seen[1].caption.isEmpty());
        QCOMPARE(watcher.seen[1].line1, QStringLiteral("Коммуникационный порт СОМ%1 недоступен").arg(kTestPort));
        QVERIFY(form.isVisible());
    }
};

QTEST_MAIN(ConnParTest)
#include "LinkSettingsDialogTest.moc"
