#include "link/ui/SubscriberListDialog.h"

#include <QApplication>
#include <QToolButton>
#include <algorithm>

#include "link/ui/SubscriberDialog.h"

namespace zmk {

namespace {

// Layout, in pixels.
constexpr int kGridHeight = 470;
constexpr int kButtonWidth = 110;
constexpr int kButtonGap = 12;
constexpr int kNumberWidth = 50;
constexpr int kNameWidth = 330;
constexpr int kAddressWidth = 70;

static_assert(SortByName == ListDialogFrame::NameSortKind);
static_assert(SortByKey == ListDialogFrame::SecondSortKind);

// The headings of the grid; the last one names the telephone number or the
// IP address and port.
QStringList Headings(const QString& key) {
    return {QStringLiteral("№"), QStringLiteral("Наименование"), QStringLiteral("Адрес"), key};
}

// Rows start at 1 in the "№" column.
QString RowNumberText(int row) {
    return QStringLiteral("  %1").arg(row + 1);
}

}  // namespace

// ---------------------------------------------------------------------------

SubscriberListModel::SubscriberListModel(const PhoneList* list, QObject* parent)
    : ListTableModel(Headings(QStringLiteral("№ телефона")), parent), phone_(list) {}

SubscriberListModel::SubscriberListModel(const EthernetList* list, QObject* parent)
    : ListTableModel(Headings(QStringLiteral("IP-адрес:порт")), parent), ethernet_(list) {}

int SubscriberListModel::rowCount(const QModelIndex& parent) const {
    if (parent.isValid())
        return 0;
    const int count = phone_ != nullptr ? phone_->Count : ethernet_->Count;
    return std::min(count, MaxAbonents);
}

QString SubscriberListModel::CellText(int row, int column) const {
    if (row < 0 || row >= rowCount())
        return {};
    switch (column) {
    case ColumnNumber:
        return RowNumberText(row);
    case ColumnName:
        return QLatin1Char(' ') + (phone_ != nullptr ? AbonentName(phone_->Entries[row])
                                                     : AbonentName(ethernet_->Entries[row]));
    case ColumnAddress:
        return QStringLiteral(" %1").arg(phone_ != nullptr ? phone_->Entries[row].Address
                                                           : ethernet_->Entries[row].Address);
    case ColumnKey:
        return phone_ != nullptr ? QLatin1Char(' ') + AbonentPhone(phone_->Entries[row])
                                 : IpPortText(ethernet_->Entries[row]);
    default:
        return {};
    }
}

// ---------------------------------------------------------------------------

SubscriberListDialog::SubscriberListDialog(PhoneList& list, QWidget* parent)
    : ListDialogFrame(parent), phone_(std::make_unique<PhoneList>(list)), phoneTarget_(&list) {
    model_ = new SubscriberListModel(phone_.get(), this);
    setWindowTitle(QStringLiteral("Список абонентов (связь по телефону)"));
    CreateWidgets();
}

SubscriberListDialog::SubscriberListDialog(EthernetList& list, QWidget* parent)
    : ListDialogFrame(parent), ethernet_(std::make_unique<EthernetList>(list)),
      ethernetTarget_(&list) {
    model_ = new SubscriberListModel(ethernet_.get(), this);
    setWindowTitle(QStringLiteral("Список абонентов (Ethernet-интерфейс)"));
    CreateWidgets();
}

SubscriberListDialog::~SubscriberListDialog() = default;

int SubscriberListDialog::Count() const {
    return std::min<int>(phone_ ? phone_->Count : ethernet_->Count, MaxAbonents);
}

int SubscriberListDialog::CurrentIndex() const {
    return phone_ ? phone_->Current : ethernet_->Current;
}

void SubscriberListDialog::CreateWidgets() {
    model_->setObjectName(QStringLiteral("model"));
    BuildFrame(model_,
               {.width = FormWidth,
                .height = FormHeight,
                .gridHeight = kGridHeight,
                .buttonWidth = kButtonWidth,
                .buttonGap = kButtonGap,
                .columnWidths = {kNumberWidth, kNameWidth, kAddressWidth},
                .nameColumn = SubscriberListModel::ColumnName,
                .secondSortColumn = SubscriberListModel::ColumnKey,
                .secondSortTip = IsEthernetList()
                                     ? QStringLiteral("Упорядочить по IP-адресу")
                                     : QStringLiteral("Упорядочить по номеру телефона"),
                .maxRows = MaxAbonents});
}

void SubscriberListDialog::SetCurrent(int row) {
    if (row < 0 || row >= Count())
        return;
    if (phone_)
        phone_->Current = uint8_t(row);
    else
        ethernet_->Current = uint8_t(row);
}

uint8_t SubscriberListDialog::SortKind() const {
    return phone_ ? phone_->SortKind : ethernet_->SortKind;
}

void SubscriberListDialog::StoreSortKind(uint8_t kind) {
    if (phone_)
        phone_->SortKind = kind;
    else
        ethernet_->SortKind = kind;
}

void SubscriberListDialog::PrepareRows() {
    const int count = Count();
    if (count > 1) {
        if (phone_)
            SortPhoneList(*phone_);
        else
            SortEthernetList(*ethernet_);
    }
    // A current index past the count (never so in a list read from a file)
    // is brought back to the last entry.
    if (count > 0 && CurrentIndex() >= count)
        SetCurrent(count - 1);
    model_->Refresh();
}

void SubscriberListDialog::editCurrentRow() {
    const int count = Count();
    if (count == 0)
        return;
    const int current = std::min(CurrentIndex(), count - 1);
    bool accepted = false;
    if (phone_) {
        SubscriberDialog form(phone_->Entries[current], SubscriberDialog::EditEntry, this);
        accepted = form.exec() == QDialog::Accepted;
    } else {
        SubscriberDialog form(ethernet_->Entries[current], SubscriberDialog::EditEntry, this);
        accepted = form.exec() == QDialog::Accepted;
    }
    if (accepted)
        Redisplay();
}

void SubscriberListDialog::addRow() {
    const int count = Count();
    if (count >= MaxAbonents)
        return;
    bool accepted = false;
    if (phone_) {
        PhoneAbonent entry = EmptyPhoneAbonent();
        SubscriberDialog form(entry, SubscriberDialog::NewEntry, this);
        accepted = form.exec() == QDialog::Accepted;
        if (accepted) {
            phone_->Entries[count] = entry;
            phone_->Current = uint8_t(count);
            phone_->Count = uint8_t(count + 1);
        }
    } else {
        EthernetAbonent entry = EmptyEthernetAbonent();
        SubscriberDialog form(entry, SubscriberDialog::NewEntry, this);
        accepted = form.exec() == QDialog::Accepted;
        if (accepted) {
            ethernet_->Entries[count] = entry;
            ethernet_->Current = uint8_t(count);
            ethernet_->Count = uint8_t(count + 1);
        }
    }
    if (accepted)
        Redisplay();
}

void SubscriberListDialog::deleteCurrentRow() {
    if (!ConfirmDelete(QStringLiteral("удалить этот абонент?")))
        return;
    QApplication::setOverrideCursor(Qt::WaitCursor);
    if (phone_)
        DeleteCurrentAbonent(*phone_);
    else
        DeleteCurrentAbonent(*ethernet_);
    Redisplay();
    QApplication::restoreOverrideCursor();
}

void SubscriberListDialog::acceptList() {
    if (phoneTarget_ != nullptr)
        *phoneTarget_ = *phone_;
    else
        *ethernetTarget_ = *ethernet_;
    accept();
}

}  // namespace zmk
