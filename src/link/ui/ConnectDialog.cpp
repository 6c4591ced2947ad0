#include "link/ui/ConnectDialog.h"

#include <QApplication>
#include <QComboBox>
#include <QElapsedTimer>
#include <QLabel>
#include <QLineEdit>
#include <QPushButton>
#include <QThread>
#include <algorithm>

#include "common/Folders.h"
#include "settings/MainSettings.h"
#include "common/ui/MessageDialog.h"
#include "link/SubscriberList.h"
#include "link/SerialChannel.h"
#include "link/ControllerLink.h"
#include "link/LinkSetup.h"
#include "link/ui/SubscriberDialog.h"
#include "link/ui/SubscriberListDialog.h"
#include "link/ui/LinkSettingsDialog.h"
#include "link/ui/LinkSummary.h"
#include "common/MessageKind.h"

namespace zmk {

namespace {

constexpr int kMinAddress = 1;
constexpr int kMaxAddress = 255;
constexpr uint32_t kReadAtOnce = 0xFFFFFFFFu;  // read interval time-out: return at once

// Layout, in pixels.
constexpr int kLabelX = 16, kLabelW = 130, kFieldX = 150;
constexpr int kKindW = 250, kAddressW = 80, kAbonentW = 270;
constexpr int kRowH = 24;
constexpr int kKindY = 16, kAddressY = 56, kPanelY = 94, kPanelH = 72;
constexpr int kListButtonW = 150, kButtonH = 30, kButtonBottom = 14;
constexpr int kConnectW = 100, kParamsW = 190, kExitW = 100;

const QString kNotAll = QStringLiteral("Введены не все параметры");
const QString kNewAbonent = QStringLiteral("Новый абонент");

// Runs while the dialog waits for a port or a connection: paints, but takes no
// clicks, so that nothing in the dialog starts while the channel is being set up.
void PaintPump() { QCoreApplication::processEvents(QEventLoop::ExcludeUserInputEvents); }

void PauseMs(int ms) {
    QElapsedTimer timer;
    timer.start();
    while (timer.elapsed() < ms) {
        PaintPump();
        QThread::msleep(10);
    }
}

int ListCount(int kind) {
    const int count = kind == ChannelPhone ? Subscribers().phone.Count : Subscribers().ethernet.Count;
    return std::min(count, int(MaxAbonents));
}

}  // namespace

ConnectDialog::ConnectDialog(const ConnectHost& host, QWidget* parent) : QDialog(parent), host_(host) {
    FormCreate();
    FormShow();
}

ConnectDialog::~ConnectDialog() = default;

bool ConnectDialog::Run(const ConnectHost& host, QWidget* parent) {
    ConnectDialog dialog(host, parent);
    return dialog.exec() == QDialog::Accepted && dialog.Connected();
}

void ConnectDialog::FormCreate() {
    setWindowTitle(QStringLiteral("Установка связи с устройством"));
    setFixedSize(FormWidth, DirectHeight);

    LabelKind = new QLabel(QStringLiteral("Тип связи"), this);
    LabelKind->setGeometry(kLabelX, kKindY, kLabelW, kRowH);
    ComboBoxKind = new QComboBox(this);
    ComboBoxKind->addItems({QStringLiteral("Непосредственная связь"), QStringLiteral("Связь по телефону"),
                            QStringLiteral("Ethernet-интерфейс")});
    ComboBoxKind->setCurrentIndex(-1);
    ComboBoxKind->setGeometry(kFieldX, kKindY, kKindW, kRowH);

    LabelAddress = new QLabel(QStringLiteral("Адрес устройства"), this);
    LabelAddress->setGeometry(kLabelX, kAddressY, kLabelW, kRowH);
    ComboBoxAddress = new QComboBox(this);
    ComboBoxAddress->setEditable(true);
    ComboBoxAddress->setInsertPolicy(QComboBox::NoInsert);
    ComboBoxAddress->setMaxVisibleItems(16);
    for (int a = kMinAddress; a <= kMaxAddress; ++a)
        ComboBoxAddress->addItem(QString::number(a));
    ComboBoxAddress->setGeometry(kFieldX, kAddressY, kAddressW, kRowH);

    PanelAbonent = new QWidget(this);
    PanelAbonent->setGeometry(0, kPanelY, FormWidth, kPanelH);
    LabelAbonent = new QLabel(QStringLiteral("Абонент"), PanelAbonent);
    LabelAbonent->setGeometry(kLabelX, 4, kLabelW, kRowH);
    ComboBoxAbonent = new QComboBox(PanelAbonent);
    ComboBoxAbonent->setMaxVisibleItems(16);
    ComboBoxAbonent->setGeometry(kFieldX, 4, kAbonentW, kRowH);
    BitBtnList = new QPushButton(QStringLiteral("Список абонентов"), PanelAbonent);
    BitBtnList->setGeometry(kFieldX, 38, kListButtonW, kRowH + 4);
    PanelAbonent->hide();

    BitBtnConnect = new QPushButton(QStringLiteral("Связаться"), this);
    BitBtnParams = new QPushButton(QStringLiteral("Изменить параметры связи"), this);
    BitBtnExit = new QPushButton(QStringLiteral("Выход"), this);
    BitBtnConnect->setDefault(true);

    connect(ComboBoxKind, &QComboBox::currentIndexChanged, this, &ConnectDialog::ComboBoxKindChange);
    // Only the user's choice acts: refilling the list must not open the entry dialog.
    connect(ComboBoxAbonent, &QComboBox::activated, this, &ConnectDialog::ComboBoxAbonentChange);
    connect(BitBtnList, &QPushButton::clicked, this, &ConnectDialog::BitBtnListClick);
    connect(BitBtnConnect, &QPushButton::clicked, this, &ConnectDialog::BitBtnConnectClick);
    connect(BitBtnParams, &QPushButton::clicked, this, &ConnectDialog::BitBtnParamsClick);
    connect(BitBtnExit, &QPushButton::clicked, this, &QDialog::reject);
}

void ConnectDialog::FormShow() {
    const int kind = Settings().ChannelKind;
    if (kind <= ChannelEthernet) {
        if (ComboBoxKind->currentIndex() == kind)
            ComboBoxKindChange(kind);
        else
            ComboBoxKind->setCurrentIndex(kind);  // applies the kind change
        BitBtnConnect->setFocus();
    } else {
        ComboBoxKind->setFocus();
    }
}

void ConnectDialog::ShowBars(bool on) {
    if (host_.ShowSubscriberBars) host_.ShowSubscriberBars(on);
}

void ConnectDialog::ShowLinkParams() { zmk::ShowLinkParams(host_.PortPanel, host_.AddressPanel, host_.SubscriberPanel); }

void ConnectDialog::SetAddress(int address) {
    if (address >= kMinAddress && address <= kMaxAddress) {
        ComboBoxAddress->setCurrentIndex(address - 1);
    } else {
        ComboBoxAddress->setCurrentIndex(-1);
        ComboBoxAddress->setEditText(QString::number(address));
    }
}

void ConnectDialog::ComboBoxKindChange(int index) {
    if (index < 0 || index > ChannelEthernet) return;
    Settings().ChannelKind = uint8_t(index);
    const bool subscribers = index != ChannelDirect;
    const int height = subscribers ? SubscriberHeight : DirectHeight;
    ShowBars(subscribers);
    PanelAbonent->setVisible(subscribers);
    setFixedSize(FormWidth, height);

    const int top = height - kButtonH - kButtonBottom;
    const int gap = (FormWidth - kConnectW - kParamsW - kExitW) / 4;
    BitBtnConnect->setGeometry(gap, top, kConnectW, kButtonH);
    BitBtnParams->setGeometry(2 * gap + kConnectW, top, kParamsW, kButtonH);
    BitBtnExit->setGeometry(3 * gap + kConnectW + kParamsW, top, kExitW, kButtonH);

    ComboBoxAddress->setEnabled(!subscribers);
    if (subscribers) {
        FillAbonents();
    } else {
        SetAddress(Settings().Direct.Address);
    }
    ShowLinkParams();
    BitBtnParams->setEnabled(true);
    BitBtnConnect->setEnabled(true);
}

bool ConnectDialog::OffersNewAbonent() const {
    const int count = ComboBoxAbonent->count();
    return count > 0 && ComboBoxAbonent->itemText(count - 1) == kNewAbonent &&
           count == ListCount(Settings().ChannelKind) + 1;
}

void ConnectDialog::FillAbonents() {
    const int kind = Settings().ChannelKind;
    const int count = ListCount(kind);
    ComboBoxAbonent->clear();
    for (int i = 0; i < count; ++i) {
        ComboBoxAbonent->addItem(kind == ChannelPhone ? AbonentName(Subscribers().phone.Entries[i])
                                                      : AbonentName(Subscribers().ethernet.Entries[i]));
    }
    if (count < MaxAbonentCount) ComboBoxAbonent->addItem(kNewAbonent);

    if (count > 0) {
        int address = 0;
        int current = 0;
        if (kind == ChannelPhone) {
            const PhoneAbonent* entry = CurrentAbonent(Subscribers().phone);
            current = int(entry - Subscribers().phone.Entries);
            address = entry->Address;
        } else {
            const EthernetAbonent* entry = CurrentAbonent(Subscribers().ethernet);
            current = int(entry - Subscribers().ethernet.Entries);
            address = entry->Address;
        }
        ComboBoxAbonent->setCurrentIndex(current);
        SetAddress(address);
    } else {
        ComboBoxAbonent->setCurrentIndex(-1);
        ComboBoxAddress->setCurrentIndex(-1);
        ComboBoxAddress->setEditText(QString());
    }
}

bool ConnectDialog::NewAbonentSelected() const {
    const int index = ComboBoxAbonent->currentIndex();
    return index < 0 || index >= ListCount(Settings().ChannelKind);
}

void ConnectDialog::ComboBoxAbonentChange(int index) {
    const int kind = Settings().ChannelKind;
    if (kind != ChannelPhone && kind != ChannelEthernet) return;
    const int count = ListCount(kind);

    if (index < 0) {
        BitBtnParams->setEnabled(false);
        BitBtnConnect->setEnabled(false);
        ShowLinkParams();
        return;
    }
    if (index < count) {
        if (kind == ChannelPhone) {
            Subscribers().phone.Current = uint8_t(index);
            SetAddress(Subscribers().phone.Entries[index].Address);
        } else {
            Subscribers().ethernet.Current = uint8_t(index);
            SetAddress(Subscribers().ethernet.Entries[index].Address);
        }
        ShowLinkParams();
        BitBtnParams->setEnabled(true);
        BitBtnConnect->setEnabled(true);
        return;
    }
    if (count >= MaxAbonentCount) return;

    // "Новый абонент": a new entry after the last one.
    bool accepted = false;
    if (kind == ChannelPhone) {
        PhoneAbonent entry = EmptyPhoneAbonent();
        SubscriberDialog dialog(entry, SubscriberDialog::NewEntry, this);
        if (dialog.exec() == QDialog::Accepted) {
            PhoneList& list = Subscribers().phone;
            list.Entries[count] = entry;
            list.Current = uint8_t(count);
            list.Count = uint8_t(count + 1);
            if (list.Count > 1) SortPhoneList(list);
            accepted = true;
        }
    } else {
        EthernetAbonent entry = EmptyEthernetAbonent();
        SubscriberDialog dialog(entry, SubscriberDialog::NewEntry, this);
        if (dialog.exec() == QDialog::Accepted) {
            EthernetList& list = Subscribers().ethernet;
            list.Entries[count] = entry;
            list.Current = uint8_t(count);
            list.Count = uint8_t(count + 1);
            if (list.Count > 1) SortEthernetList(list);
            accepted = true;
        }
    }
    if (accepted) {
        WriteListFile();
        FillAbonents();
        ShowLinkParams();
        BitBtnParams->setEnabled(true);
        BitBtnConnect->setEnabled(true);
        return;
    }
    // Left: the former choice again (nothing when the list is empty).
    if (count == 0) {
        ComboBoxAbonent->setCurrentIndex(-1);
    } else {
        const uint8_t current = kind == ChannelPhone ? Subscribers().phone.Current : Subscribers().ethernet.Current;
        ComboBoxAbonent->setCurrentIndex(std::min<int>(current, count - 1));
    }
}

void ConnectDialog::WriteListFile() {
    SubscriberLists& lists = Subscribers();
    if (Settings().ChannelKind == ChannelPhone)
        WritePhoneList(PhoneListPath(), lists.phone, lists.phoneStored);
    else if (Settings().ChannelKind == ChannelEthernet)
        WriteEthernetList(EthernetListPath(), lists.ethernet, lists.ethernetStored);
}

void ConnectDialog::BitBtnListClick() {
    const int kind = Settings().ChannelKind;
    bool accepted = false;
    if (kind == ChannelPhone) {
        SubscriberListDialog dialog(Subscribers().phone, this);
        accepted = dialog.exec() == QDialog::Accepted;
    } else if (kind == ChannelEthernet) {
        SubscriberListDialog dialog(Subscribers().ethernet, this);
        accepted = dialog.exec() == QDialog::Accepted;
    }
    if (!accepted) return;
    QApplication::setOverrideCursor(Qt::WaitCursor);
    WriteListFile();
    FillAbonents();
    QApplication::restoreOverrideCursor();
    ShowLinkParams();
}

void ConnectDialog::BitBtnParamsClick() {
    LinkSettingsDialog dialog(this, host_.Link);
    if (dialog.exec() != QDialog::Accepted) return;
    WriteMainSettings(MainSettingsPath());
    ShowLinkParams();
    if (Settings().ChannelKind == ChannelDirect) SetAddress(Settings().Direct.Address);
}

void ConnectDialog::BitBtnConnectClick() {
    if (busy_) return;
    const QString addressText = ComboBoxAddress->currentText();
    const int kind = ComboBoxKind->currentIndex();
    if (addressText.isEmpty() || kind < 0) {
        ShowMessage(MessageKind::InputError, kNotAll);
        return;
    }
    // Anything that is not a whole number counts as out of range.
    bool number = false;
    const int address = addressText.trimmed().toInt(&number);
    if (!number || address < kMinAddress || address > kMaxAddress) {
        ShowMessage(MessageKind::InputError, QStringLiteral("Адрес вне допустимого диапазона"), QStringLiteral("(1...255)"));
        return;
    }
    ControllerLink* link = host_.Link;
    if (link == nullptr) return;  // no link object: nothing can be connected
    busy_ = true;
    link->ClosePort();
    const bool ok = kind == ChannelEthernet ? TcpConnect(address) : SerialConnect(address);
    busy_ = false;
    if (!ok) return;
    if (kind == ChannelEthernet) {
        WriteMainSettings(MainSettingsPath());
        ShowLinkParams();
    }
    WriteListFile();
    connected_ = true;
    accept();
}

bool ConnectDialog::SerialConnect(int address) {
    MainSettings& settings = Settings();
    const int kind = settings.ChannelKind;
    QApplication::setOverrideCursor(Qt::WaitCursor);
    if (kind == ChannelPhone) {
        settings.Phone.Address = uint8_t(address);
        if (NewAbonentSelected()) {
            QApplication::restoreOverrideCursor();
            ShowMessage(MessageKind::InputError, kNotAll, QString());
            return false;
        }
        Subscribers().phone.Current = uint8_t(ComboBoxAbonent->currentIndex());
    } else {
        settings.Direct.Address = uint8_t(address);
    }
    const ChannelParams record = kind == ChannelPhone ? settings.Phone : settings.Direct;
    WriteMainSettings(MainSettingsPath());
    ShowLinkParams();

    // The port is opened unless the direct link releases it after each request.
    if (!OpenLink(*host_.Link, uint8_t(kind), settings)) {
        QApplication::restoreOverrideCursor();
        ShowMessage(MessageKind::Error, QStringLiteral("Коммуникационный порт СОМ%1 недоступен").arg(record.Port), QString());
        return false;
    }
    PauseMs(PortSettleMs);
    QApplication::restoreOverrideCursor();
    return true;
}

bool ConnectDialog::TcpConnect(int address) {
    Settings().Ethernet.Address = uint8_t(address);
    if (NewAbonentSelected()) {
        ShowMessage(MessageKind::InputError, kNotAll);
        return false;
    }
    // The subscriber shown is the one called.
    EthernetList& list = Subscribers().ethernet;
    list.Current = uint8_t(ComboBoxAbonent->currentIndex());
    const EthernetAbonent* entry = &list.Entries[list.Current];
    LinkOpenOptions options;
    options.subscriber = entry;
    options.pump = PaintPump;
    QString message;
    QApplication::setOverrideCursor(Qt::WaitCursor);
    const bool ok = OpenLink(*host_.Link, ChannelEthernet, Settings(), options, &message);
    QApplication::restoreOverrideCursor();
    if (!ok) {
        ShowMessage(MessageKind::Info, message, QString());
    }
    return ok;
}

}  // namespace zmk
