#include "link/ui/Abonents_list.h"

#include <QApplication>
#include <QHeaderView>
#include <QItemSelectionModel>
#include <QPushButton>
#include <QTableView>
#include <QToolButton>
#include <algorithm>

#include "app/Suplfunc.h"
#include "app/ui/Question.h"
#include "link/ui/Abonent.h"

namespace zmk {

namespace {

// Layout, in pixels.
constexpr int kMargin = 8;
constexpr int kGridHeight = 470;
constexpr int kButtonWidth = 110;
constexpr int kButtonHeight = 30;
constexpr int kButtonGap = 12;
constexpr int kButtonBottomMargin = 24;
constexpr int kSortButtonSize = 18;
constexpr int kHeaderHeight = 26;
constexpr int kNumberWidth = 50;
constexpr int kNameWidth = 330;
constexpr int kAddressWidth = 70;

// Rows start at 1 in the "№" column.
QString RowNumberText(int row) {
    return QStringLiteral("  %1").arg(row + 1);
}

QToolButton* MakeSortButton(QWidget* parent, const QString& tip) {
    auto* button = new QToolButton(parent);
    button->setArrowType(Qt::DownArrow);
    button->setAutoRaise(true);
    button->setFixedSize(kSortButtonSize, kSortButtonSize);
    button->setToolTip(tip);
    return button;
}

}  // namespace

// ---------------------------------------------------------------------------

AbonentsListModel::AbonentsListModel(const PhoneList* list, QObject* parent)
    : QAbstractTableModel(parent), phone_(list) {}

AbonentsListModel::AbonentsListModel(const EthernetList* list, QObject* parent)
    : QAbstractTableModel(parent), ethernet_(list) {}

int AbonentsListModel::rowCount(const QModelIndex& parent) const {
    if (parent.isValid())
        return 0;
    const int count = phone_ != nullptr ? phone_->Count : ethernet_->Count;
    return std::min(count, MaxAbonents);
}

int AbonentsListModel::columnCount(const QModelIndex& parent) const {
    return parent.isValid() ? 0 : ColumnCount;
}

QString AbonentsListModel::CellText(int row, int column) const {
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

QVariant AbonentsListModel::data(const QModelIndex& index, int role) const {
    if (!index.isValid() || role != Qt::DisplayRole)
        return {};
    return CellText(index.row(), index.column());
}

QVariant AbonentsListModel::headerData(int section, Qt::Orientation orientation, int role) const {
    if (orientation != Qt::Horizontal || role != Qt::DisplayRole)
        return QAbstractTableModel::headerData(section, orientation, role);
    switch (section) {
    case ColumnNumber:
        return QStringLiteral("№");
    case ColumnName:
        return QStringLiteral("Наименование");
    case ColumnAddress:
        return QStringLiteral("Адрес");
    case ColumnKey:
        return phone_ != nullptr ? QStringLiteral("№ телефона") : QStringLiteral("IP-адрес:порт");
    default:
        return {};
    }
}

void AbonentsListModel::Refresh() {
    beginResetModel();
    endResetModel();
}

// ---------------------------------------------------------------------------

TFormAbonents_List::TFormAbonents_List(PhoneList& list, QWidget* parent)
    : QDialog(parent), phone_(std::make_unique<PhoneList>(list)), phoneTarget_(&list) {
    Model = new AbonentsListModel(phone_.get(), this);
    setWindowTitle(QStringLiteral("Список абонентов (связь по телефону)"));
    FormCreate();
}

TFormAbonents_List::TFormAbonents_List(EthernetList& list, QWidget* parent)
    : QDialog(parent), ethernet_(std::make_unique<EthernetList>(list)), ethernetTarget_(&list) {
    Model = new AbonentsListModel(ethernet_.get(), this);
    setWindowTitle(QStringLiteral("Список абонентов (Ethernet-интерфейс)"));
    FormCreate();
}

TFormAbonents_List::~TFormAbonents_List() = default;

int TFormAbonents_List::Count() const {
    return std::min<int>(phone_ ? phone_->Count : ethernet_->Count, MaxAbonents);
}

int TFormAbonents_List::CurrentIndex() const {
    return phone_ ? phone_->Current : ethernet_->Current;
}

void TFormAbonents_List::FormCreate() {
    setFixedSize(FormWidth, FormHeight);

    StringGrid1 = new QTableView(this);
    StringGrid1->setModel(Model);
    StringGrid1->setGeometry(kMargin, kMargin, FormWidth - 2 * kMargin, kGridHeight);
    StringGrid1->setSelectionBehavior(QAbstractItemView::SelectRows);
    StringGrid1->setSelectionMode(QAbstractItemView::SingleSelection);
    StringGrid1->setEditTriggers(QAbstractItemView::NoEditTriggers);
    StringGrid1->setTabKeyNavigation(false);
    StringGrid1->setWordWrap(false);
    StringGrid1->verticalHeader()->hide();
    StringGrid1->verticalHeader()->setDefaultSectionSize(22);
    QHeaderView* header = StringGrid1->horizontalHeader();
    header->setDefaultAlignment(Qt::AlignLeft | Qt::AlignVCenter);
    header->setSectionsClickable(false);
    header->setHighlightSections(false);
    header->setFixedHeight(kHeaderHeight);
    header->resizeSection(AbonentsListModel::ColumnNumber, kNumberWidth);
    header->resizeSection(AbonentsListModel::ColumnName, kNameWidth);
    header->resizeSection(AbonentsListModel::ColumnAddress, kAddressWidth);
    header->setStretchLastSection(true);

    SpeedButtonSortName = MakeSortButton(header, QStringLiteral("Упорядочить по наименованию"));
    SpeedButtonSortKey = MakeSortButton(
        header, IsEthernetList() ? QStringLiteral("Упорядочить по IP-адресу")
                                 : QStringLiteral("Упорядочить по номеру телефона"));
    connect(header, &QHeaderView::sectionResized, this, &TFormAbonents_List::PlaceSortButtons);
    connect(header, &QHeaderView::geometriesChanged, this, &TFormAbonents_List::PlaceSortButtons);

    const int buttonTop = FormHeight - kButtonHeight - kButtonBottomMargin;
    auto makeButton = [&](const QString& text, int left) {
        auto* button = new QPushButton(text, this);
        button->setGeometry(left, buttonTop, kButtonWidth, kButtonHeight);
        button->setAutoDefault(false);
        return button;
    };
    BitBtnEdit = makeButton(QStringLiteral("Изменить"), kMargin);
    BitBtnAdd = makeButton(QStringLiteral("Добавить"), kMargin + kButtonWidth + kButtonGap);
    BitBtnDelete = makeButton(QStringLiteral("Удалить"), kMargin + 2 * (kButtonWidth + kButtonGap));
    BitBtnCancel = makeButton(QStringLiteral("Отменить"), FormWidth - kMargin - kButtonWidth);
    BitBtnOk = makeButton(QStringLiteral("Принять"),
                          FormWidth - kMargin - 2 * kButtonWidth - kButtonGap);

    connect(BitBtnEdit, &QPushButton::clicked, this, &TFormAbonents_List::BitBtnEditClick);
    connect(BitBtnAdd, &QPushButton::clicked, this, &TFormAbonents_List::BitBtnAddClick);
    connect(BitBtnDelete, &QPushButton::clicked, this, &TFormAbonents_List::BitBtnDeleteClick);
    connect(BitBtnOk, &QPushButton::clicked, this, &TFormAbonents_List::BitBtnOkClick);
    connect(BitBtnCancel, &QPushButton::clicked, this, &QDialog::reject);
    connect(SpeedButtonSortName, &QToolButton::clicked, this,
            &TFormAbonents_List::SpeedButtonSortNameClick);
    connect(SpeedButtonSortKey, &QToolButton::clicked, this,
            &TFormAbonents_List::SpeedButtonSortKeyClick);
    connect(StringGrid1, &QTableView::clicked, this, &TFormAbonents_List::StringGrid1Click);
    connect(StringGrid1, &QTableView::doubleClicked, this, &TFormAbonents_List::StringGrid1DblClick);
    // Moving through the rows with the keyboard makes the row current as a click does.
    connect(StringGrid1->selectionModel(), &QItemSelectionModel::currentRowChanged, this,
            [this](const QModelIndex& current) {
                if (!redisplaying_ && current.isValid())
                    SetCurrent(current.row());
            });

    Redisplay();
    PlaceSortButtons();
}

void TFormAbonents_List::showEvent(QShowEvent* event) {
    QDialog::showEvent(event);
    PlaceSortButtons();
}

void TFormAbonents_List::PlaceSortButtons() {
    QHeaderView* header = StringGrid1->horizontalHeader();
    const int top = (header->height() - kSortButtonSize) / 2;
    auto place = [&](QToolButton* button, int section) {
        const int right = header->sectionViewportPosition(section) + header->sectionSize(section);
        button->move(right - kSortButtonSize - 3, std::max(0, top));
        button->raise();
    };
    place(SpeedButtonSortName, AbonentsListModel::ColumnName);
    place(SpeedButtonSortKey, AbonentsListModel::ColumnKey);
}

void TFormAbonents_List::SetCurrent(int row) {
    if (row < 0 || row >= Count())
        return;
    if (phone_)
        phone_->Current = uint8_t(row);
    else
        ethernet_->Current = uint8_t(row);
}

void TFormAbonents_List::SetSortKind(uint8_t kind) {
    if (phone_)
        phone_->SortKind = kind;
    else
        ethernet_->SortKind = kind;
    Redisplay();
}

void TFormAbonents_List::Redisplay() {
    redisplaying_ = true;
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
    Model->Refresh();
    if (count > 0) {
        StringGrid1->selectRow(CurrentIndex());
        StringGrid1->scrollTo(Model->index(CurrentIndex(), 0));
    }
    BitBtnEdit->setEnabled(count > 0);
    BitBtnDelete->setEnabled(count > 0);
    BitBtnAdd->setEnabled(count < MaxAbonents);

    const uint8_t kind = phone_ ? phone_->SortKind : ethernet_->SortKind;
    SpeedButtonSortName->setEnabled(kind != SortByName);
    SpeedButtonSortKey->setEnabled(kind != SortByKey);
    redisplaying_ = false;
}

void TFormAbonents_List::SpeedButtonSortNameClick() {
    SetSortKind(SortByName);
}

void TFormAbonents_List::SpeedButtonSortKeyClick() {
    SetSortKind(SortByKey);
}

void TFormAbonents_List::StringGrid1Click(const QModelIndex& index) {
    if (index.isValid())
        SetCurrent(index.row());
}

void TFormAbonents_List::StringGrid1DblClick(const QModelIndex& index) {
    if (!index.isValid())
        return;
    SetCurrent(index.row());
    BitBtnEditClick();
}

void TFormAbonents_List::BitBtnEditClick() {
    const int count = Count();
    if (count == 0)
        return;
    const int current = std::min(CurrentIndex(), count - 1);
    bool accepted = false;
    if (phone_) {
        TFormAbonent form(phone_->Entries[current], TFormAbonent::EditEntry, this);
        accepted = form.exec() == QDialog::Accepted;
    } else {
        TFormAbonent form(ethernet_->Entries[current], TFormAbonent::EditEntry, this);
        accepted = form.exec() == QDialog::Accepted;
    }
    if (accepted)
        Redisplay();
}

void TFormAbonents_List::BitBtnAddClick() {
    const int count = Count();
    if (count >= MaxAbonents)
        return;
    bool accepted = false;
    if (phone_) {
        PhoneAbonent entry = EmptyPhoneAbonent();
        TFormAbonent form(entry, TFormAbonent::NewEntry, this);
        accepted = form.exec() == QDialog::Accepted;
        if (accepted) {
            phone_->Entries[count] = entry;
            phone_->Current = uint8_t(count);
            phone_->Count = uint8_t(count + 1);
        }
    } else {
        EthernetAbonent entry = EmptyEthernetAbonent();
        TFormAbonent form(entry, TFormAbonent::NewEntry, this);
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

void TFormAbonents_List::BitBtnDeleteClick() {
    if (Count() == 0)
        return;
    Shared().MessageKind = MsgQuestion;
    ShowMessageBox(QStringLiteral("Вы действительно хотите"), QStringLiteral("удалить этот абонент?"));
    if (!Shared().QuestionAnswer)
        return;
    QApplication::setOverrideCursor(Qt::WaitCursor);
    if (phone_)
        DeleteCurrentAbonent(*phone_);
    else
        DeleteCurrentAbonent(*ethernet_);
    Redisplay();
    QApplication::restoreOverrideCursor();
}

void TFormAbonents_List::BitBtnOkClick() {
    if (phoneTarget_ != nullptr)
        *phoneTarget_ = *phone_;
    else
        *ethernetTarget_ = *ethernet_;
    accept();
}

}  // namespace zmk
