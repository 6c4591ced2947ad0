#include "link/ui/ConnectDialog.h"

#include <QApplication>
#include <QComboBox>
#include <QElapsedTimer>
#include <QLabel>
#include <QLineEdit>
#include <QPushButton>
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
#include "link/ui/EventLoopWaiter.h"
#include "link/ui/LinkSummary.h"
#include "common/MessageKind.h"

namespace zmk {

namespace {

constexpr int kMinAddress = 1;
constexpr int kMaxAddress = 255;

// Layout, in pixels.
constexpr int kLabelX = 16, kLabelW = 130, kFieldX = 150;
constexpr int kKindW = 250, kAddressW = 80, kSubscriberW = 270;
constexpr int kRowH = 24;
constexpr int kKindY = 16, kAddressY = 56, kPanelY = 94, kPanelH = 72;
constexpr int kListButtonW = 150, kButtonH = 30, kButtonBottom = 14;
constexpr int kConnectW = 100, kParamsW = 190, kExitW = 100;

const QString kNotAll = QStringLiteral("Введены не все параметры");
const QString kNewSubscriber = QStringLiteral("Новый абонент");

// The events run while the dialog waits for a port or a connection: it
// paints, but takes no clicks, so that nothing in the dialog starts while the
// channel is being set up.
constexpr QEventLoop::ProcessEventsFlags PaintOnly = QEventLoop::ExcludeUserInputEvents;

void PauseMs(int ms) {
    EventLoopWaiter waiter(PaintOnly);
    QElapsedTimer timer;
    timer.start();
    for (qint64 left = qint64(ms) * 1000000; left > 0; left = qint64(ms) * 1000000 - timer.nsecsElapsed())
        waiter.sleep(left);
}

int ListCount(int kind) {
    const int count = kind == ChannelPhone ? Subscribers().phone.Count : Subscribers().ethernet.Count;
    return std::min(count, int(MaxAbonents));
}

}  // namespace

ConnectDialog::ConnectDialog(const ConnectHost& host, QWidget* parent) : QDialog(parent), host_(host) {
    CreateWidgets();
    SelectSavedKind();
}

ConnectDialog::~ConnectDialog() = default;

bool ConnectDialog::Run(const ConnectHost& host, QWidget* parent) {
    ConnectDialog dialog(host, parent);
    return dialog.exec() == QDialog::Accepted && dialog.Connected();
}

void ConnectDialog::CreateWidgets() {
    setWindowTitle(QStringLiteral("Установка связи с устройством"));
    setFixedSize(FormWidth, DirectHeight);

    kindLabel_ = new QLabel(QStringLiteral("Тип связи"), this);
    kindLabel_->setObjectName(QStringLiteral("kindLabel"));
    kindLabel_->setGeometry(kLabelX, kKindY, kLabelW, kRowH);
    kindBox_ = new QComboBox(this);
    kindBox_->setObjectName(QStringLiteral("kindBox"));
    kindBox_->addItems({QStringLiteral("Непосредственная связь"), QStringLiteral("Связь по телефону"),
                        QStringLiteral("Ethernet-интерфейс")});
    kindBox_->setCurrentIndex(-1);
    kindBox_->setGeometry(kFieldX, kKindY, kKindW, kRowH);

    addressLabel_ = new QLabel(QStringLiteral("Адрес устройства"), this);
    addressLabel_->setObjectName(QStringLiteral("addressLabel"));
    addressLabel_->setGeometry(kLabelX, kAddressY, kLabelW, kRowH);
    addressBox_ = new QComboBox(this);
    addressBox_->setObjectName(QStringLiteral("addressBox"));
    addressBox_->setEditable(true);
    addressBox_->setInsertPolicy(QComboBox::NoInsert);
    addressBox_->setMaxVisibleItems(16);
    for (int a = kMinAddress; a <= kMaxAddress; ++a)
        addressBox_->addItem(QString::number(a));
    addressBox_->setGeometry(kFieldX, kAddressY, kAddressW, kRowH);

    subscriberPanel_ = new QWidget(this);
    subscriberPanel_->setObjectName(QStringLiteral("subscriberPanel"));
    subscriberPanel_->setGeometry(0, kPanelY, FormWidth, kPanelH);
    subscriberLabel_ = new QLabel(QStringLiteral("Абонент"), subscriberPanel_);
    subscriberLabel_->setObjectName(QStringLiteral("subscriberLabel"));
    subscriberLabel_->setGeometry(kLabelX, 4, kLabelW, kRowH);
    subscriberBox_ = new QComboBox(subscriberPanel_);
    subscriberBox_->setObjectName(QStringLiteral("subscriberBox"));
    subscriberBox_->setMaxVisibleItems(16);
    subscriberBox_->setGeometry(kFieldX, 4, kSubscriberW, kRowH);
    subscriberListButton_ = new QPushButton(QStringLiteral("Список абонентов"), subscriberPanel_);
    subscriberListButton_->setObjectName(QStringLiteral("subscriberListButton"));
    subscriberListButton_->setGeometry(kFieldX, 38, kListButtonW, kRowH + 4);
    subscriberPanel_->hide();

    connectButton_ = new QPushButton(QStringLiteral("Связаться"), this);
    connectButton_->setObjectName(QStringLiteral("connectButton"));
    linkSettingsButton_ = new QPushButton(QStringLiteral("Изменить параметры связи"), this);
    linkSettingsButton_->setObjectName(QStringLiteral("linkSettingsButton"));
    exitButton_ = new QPushButton(QStringLiteral("Выход"), this);
    exitButton_->setObjectName(QStringLiteral("exitButton"));
    connectButton_->setDefault(true);

    connect(kindBox_, &QComboBox::currentIndexChanged, this, &ConnectDialog::chooseKind);
    // Only the user's choice acts: refilling the list must not open the entry dialog.
    connect(subscriberBox_, &QComboBox::activated, this, &ConnectDialog::chooseSubscriber);
    connect(subscriberListButton_, &QPushButton::clicked, this, &ConnectDialog::editSubscriberList);
    connect(connectButton_, &QPushButton::clicked, this, &ConnectDialog::connectToController);
    connect(linkSettingsButton_, &QPushButton::clicked, this, &ConnectDialog::editLinkSettings);
    connect(exitButton_, &QPushButton::clicked, this, &QDialog::reject);
}

void ConnectDialog::SelectSavedKind() {
    const int kind = Settings().ChannelKind;
    if (kind <= ChannelEthernet) {
        if (kindBox_->currentIndex() == kind)
            chooseKind(kind);
        else
            kindBox_->setCurrentIndex(kind);  // applies the kind change
        connectButton_->setFocus();
    } else {
        // No kind set (or one this program does not know): nothing chosen in
        // the kind list, the direct layout, "Связаться" asks for the missing
        // choice, and there are no link settings to change until a kind is chosen.
        kindBox_->setCurrentIndex(-1);
        ShowBars(false);
        subscriberPanel_->hide();
        LayOut(DirectHeight);
        linkSettingsButton_->setEnabled(false);
        connectButton_->setEnabled(true);
        kindBox_->setFocus();
    }
}

void ConnectDialog::ShowBars(bool on) {
    if (host_.ShowSubscriberBars) host_.ShowSubscriberBars(on);
}

void ConnectDialog::ShowLinkParams() { zmk::ShowLinkParams(host_.PortPanel, host_.AddressPanel, host_.SubscriberPanel); }

void ConnectDialog::ShowAddress(int address) {
    if (address >= kMinAddress && address <= kMaxAddress) {
        addressBox_->setCurrentIndex(address - 1);
    } else {
        addressBox_->setCurrentIndex(-1);
        addressBox_->setEditText(QString::number(address));
    }
}

void ConnectDialog::LayOut(int height) {
    setFixedSize(FormWidth, height);
    const int top = height - kButtonH - kButtonBottom;
    const int gap = (FormWidth - kConnectW - kParamsW - kExitW) / 4;
    connectButton_->setGeometry(gap, top, kConnectW, kButtonH);
    linkSettingsButton_->setGeometry(2 * gap + kConnectW, top, kParamsW, kButtonH);
    exitButton_->setGeometry(3 * gap + kConnectW + kParamsW, top, kExitW, kButtonH);
}

void ConnectDialog::chooseKind(int index) {
    if (index < 0 || index > ChannelEthernet) return;
    Settings().ChannelKind = uint8_t(index);
    const bool subscribers = index != ChannelDirect;
    const int height = subscribers ? SubscriberHeight : DirectHeight;
    ShowBars(subscribers);
    subscriberPanel_->setVisible(subscribers);
    LayOut(height);

    addressBox_->setEnabled(!subscribers);
    if (subscribers) {
        FillSubscribers();
    } else {
        ShowAddress(Settings().Direct.Address);
    }
    ShowLinkParams();
    linkSettingsButton_->setEnabled(true);
    connectButton_->setEnabled(true);
}

bool ConnectDialog::OffersNewSubscriber() const {
    const int count = subscriberBox_->count();
    return count > 0 && subscriberBox_->itemText(count - 1) == kNewSubscriber &&
           count == ListCount(Settings().ChannelKind) + 1;
}

void ConnectDialog::FillSubscribers() {
    const int kind = Settings().ChannelKind;
    const int count = ListCount(kind);
    subscriberBox_->clear();
    for (int i = 0; i < count; ++i) {
        subscriberBox_->addItem(kind == ChannelPhone ? AbonentName(Subscribers().phone.Entries[i])
                                                     : AbonentName(Subscribers().ethernet.Entries[i]));
    }
    if (count < MaxSubscriberCount) subscriberBox_->addItem(kNewSubscriber);

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
        subscriberBox_->setCurrentIndex(current);
        ShowAddress(address);
    } else {
        subscriberBox_->setCurrentIndex(-1);
        addressBox_->setCurrentIndex(-1);
        addressBox_->setEditText(QString());
    }
}

bool ConnectDialog::NewAbonentSelected() const {
    const int index = subscriberBox_->currentIndex();
    return index < 0 || index >= ListCount(Settings().ChannelKind);
}

void ConnectDialog::chooseSubscriber(int index) {
    const int kind = Settings().ChannelKind;
    if (kind != ChannelPhone && kind != ChannelEthernet) return;
    const int count = ListCount(kind);

    if (index < 0) {
        linkSettingsButton_->setEnabled(false);
        connectButton_->setEnabled(false);
        ShowLinkParams();
        return;
    }
    if (index < count) {
        if (kind == ChannelPhone) {
            Subscribers().phone.Current = uint8_t(index);
            ShowAddress(Subscribers().phone.Entries[index].Address);
        } else {
            Subscribers().ethernet.Current = uint8_t(index);
            ShowAddress(Subscribers().ethernet.Entries[index].Address);
        }
        ShowLinkParams();
        linkSettingsButton_->setEnabled(true);
        connectButton_->setEnabled(true);
        return;
    }
    if (count >= MaxSubscriberCount) return;

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
        FillSubscribers();
        ShowLinkParams();
        linkSettingsButton_->setEnabled(true);
        connectButton_->setEnabled(true);
        return;
    }
    // Left: the former choice again (nothing when the list is empty).
    if (count == 0) {
        subscriberBox_->setCurrentIndex(-1);
    } else {
        const uint8_t current = kind == ChannelPhone ? Subscribers().phone.Current : Subscribers().ethernet.Current;
        subscriberBox_->setCurrentIndex(std::min<int>(current, count - 1));
    }
}

void ConnectDialog::WriteListFile() {
    SubscriberLists& lists = Subscribers();
    if (Settings().ChannelKind == ChannelPhone)
        WritePhoneList(PhoneListPath(), lists.phone, lists.phoneStored);
    else if (Settings().ChannelKind == ChannelEthernet)
        WriteEthernetList(EthernetListPath(), lists.ethernet, lists.ethernetStored);
}

void ConnectDialog::editSubscriberList() {
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
    FillSubscribers();
    QApplication::restoreOverrideCursor();
    ShowLinkParams();
}

void ConnectDialog::editLinkSettings() {
    LinkSettingsDialog dialog(this, host_.Link);
    if (dialog.exec() != QDialog::Accepted) return;
    WriteMainSettings(MainSettingsPath());
    ShowLinkParams();
    if (Settings().ChannelKind == ChannelDirect) ShowAddress(Settings().Direct.Address);
}

void ConnectDialog::connectToController() {
    if (busy_) return;
    const QString addressText = addressBox_->currentText();
    const int kind = kindBox_->currentIndex();
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
        Subscribers().phone.Current = uint8_t(subscriberBox_->currentIndex());
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
    list.Current = uint8_t(subscriberBox_->currentIndex());
    const EthernetAbonent* entry = &list.Entries[list.Current];
    LinkOpenOptions options;
    options.subscriber = entry;
    EventLoopWaiter waiter(PaintOnly);
    options.waiter = &waiter;
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
