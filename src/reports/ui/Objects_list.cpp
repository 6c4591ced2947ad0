#include "reports/ui/Objects_list.h"

#include <QApplication>
#include <QHeaderView>
#include <QItemSelectionModel>
#include <QPushButton>
#include <QTableView>
#include <QToolButton>
#include <algorithm>

#include "app/Suplfunc.h"
#include "app/ui/Question.h"
#include "reports/ui/Object.h"

namespace zmk {

namespace {

// Layout, in pixels.
constexpr int kMargin = 8;
constexpr int kGridHeight = 430;
constexpr int kButtonWidth = 96;
constexpr int kButtonHeight = 30;
constexpr int kButtonGap = 10;
constexpr int kButtonBottomMargin = 24;
constexpr int kSortButtonSize = 18;
constexpr int kHeaderHeight = 26;
constexpr int kRowHeight = 22;
constexpr int kNumberWidth = 50;
constexpr int kNameWidth = 380;

QToolButton* MakeSortButton(QWidget* parent, const QString& tip) {
    auto* button = new QToolButton(parent);
    button->setArrowType(Qt::DownArrow);
    button->setAutoRaise(true);
    button->setFixedSize(kSortButtonSize, kSortButtonSize);
    button->setToolTip(tip);
    return button;
}

// Busy cursor for the lifetime of the object.
class BusyCursor {
public:
    BusyCursor() { QApplication::setOverrideCursor(Qt::WaitCursor); }
    ~BusyCursor() { QApplication::restoreOverrideCursor(); }
    BusyCursor(const BusyCursor&) = delete;
    BusyCursor& operator=(const BusyCursor&) = delete;
};

}  // namespace

// ---------------------------------------------------------------------------

ObjectsListModel::ObjectsListModel(const ObjectList* list, QObject* parent)
    : QAbstractTableModel(parent), list_(list) {}

int ObjectsListModel::rowCount(const QModelIndex& parent) const {
    return parent.isValid() ? 0 : std::min<int>(list_->Count, MaxObjects);
}

int ObjectsListModel::columnCount(const QModelIndex& parent) const {
    return parent.isValid() ? 0 : ColumnCount;
}

QString ObjectsListModel::CellText(int row, int column) const {
    if (row < 0 || row >= rowCount())
        return {};
    switch (column) {
    case ColumnNumber:
        return QStringLiteral("  %1").arg(row + 1);
    case ColumnName:
        return QLatin1Char(' ') + ObjectName(list_->Entries[row]);
    case ColumnAddress:
        return QStringLiteral("  %1").arg(list_->Entries[row].Address);
    default:
        return {};
    }
}

QVariant ObjectsListModel::data(const QModelIndex& index, int role) const {
    if (!index.isValid() || role != Qt::DisplayRole)
        return {};
    return CellText(index.row(), index.column());
}

QVariant ObjectsListModel::headerData(int section, Qt::Orientation orientation, int role) const {
    if (orientation != Qt::Horizontal || role != Qt::DisplayRole)
        return QAbstractTableModel::headerData(section, orientation, role);
    switch (section) {
    case ColumnNumber:
        return QStringLiteral("№");
    case ColumnName:
        return QStringLiteral("Наименование");
    case ColumnAddress:
        return QStringLiteral(" Адрес");
    default:
        return {};
    }
}

void ObjectsListModel::Refresh() {
    beginResetModel();
    endResetModel();
}

// ---------------------------------------------------------------------------

TFormObjects_List::TFormObjects_List(ObjectList& list, const QString& path, QWidget* parent)
    : QDialog(parent), list_(&list), copy_(list), path_(path) {
    Model = new ObjectsListModel(list_, this);
    FormCreate();
}

int TFormObjects_List::Count() const {
    return std::min<int>(list_->Count, MaxObjects);
}

void TFormObjects_List::FormCreate() {
    setWindowTitle(QStringLiteral(" Список объектов"));
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
    StringGrid1->verticalHeader()->setDefaultSectionSize(kRowHeight);
    QHeaderView* header = StringGrid1->horizontalHeader();
    header->setDefaultAlignment(Qt::AlignLeft | Qt::AlignVCenter);
    header->setSectionsClickable(false);
    header->setHighlightSections(false);
    header->setFixedHeight(kHeaderHeight);
    header->resizeSection(ObjectsListModel::ColumnNumber, kNumberWidth);
    header->resizeSection(ObjectsListModel::ColumnName, kNameWidth);
    header->setStretchLastSection(true);

    SpeedButtonSortName = MakeSortButton(header, QStringLiteral("Упорядочить по наименованию"));
    SpeedButtonSortAddress = MakeSortButton(header, QStringLiteral("Упорядочить по адресу"));
    connect(header, &QHeaderView::sectionResized, this, &TFormObjects_List::PlaceSortButtons);
    connect(header, &QHeaderView::geometriesChanged, this, &TFormObjects_List::PlaceSortButtons);

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

    connect(BitBtnEdit, &QPushButton::clicked, this, &TFormObjects_List::BitBtnEditClick);
    connect(BitBtnAdd, &QPushButton::clicked, this, &TFormObjects_List::BitBtnAddClick);
    connect(BitBtnDelete, &QPushButton::clicked, this, &TFormObjects_List::BitBtnDeleteClick);
    connect(BitBtnOk, &QPushButton::clicked, this, &TFormObjects_List::BitBtnOkClick);
    connect(BitBtnCancel, &QPushButton::clicked, this, &TFormObjects_List::reject);
    connect(SpeedButtonSortName, &QToolButton::clicked, this,
            &TFormObjects_List::SpeedButtonSortNameClick);
    connect(SpeedButtonSortAddress, &QToolButton::clicked, this,
            &TFormObjects_List::SpeedButtonSortAddressClick);
    connect(StringGrid1, &QTableView::clicked, this, &TFormObjects_List::StringGrid1Click);
    connect(StringGrid1, &QTableView::doubleClicked, this, &TFormObjects_List::StringGrid1DblClick);
    // Moving through the rows with the keyboard makes the row current as a click does.
    connect(StringGrid1->selectionModel(), &QItemSelectionModel::currentRowChanged, this,
            [this](const QModelIndex& current) {
                if (!redisplaying_ && current.isValid())
                    SetCurrent(current.row());
            });

    Redisplay();
    PlaceSortButtons();
}

void TFormObjects_List::showEvent(QShowEvent* event) {
    QDialog::showEvent(event);
    PlaceSortButtons();
}

void TFormObjects_List::PlaceSortButtons() {
    QHeaderView* header = StringGrid1->horizontalHeader();
    const int top = (header->height() - kSortButtonSize) / 2;
    auto place = [&](QToolButton* button, int section) {
        const int right = header->sectionViewportPosition(section) + header->sectionSize(section);
        button->move(right - kSortButtonSize - 3, std::max(0, top));
        button->raise();
    };
    place(SpeedButtonSortName, ObjectsListModel::ColumnName);
    place(SpeedButtonSortAddress, ObjectsListModel::ColumnAddress);
}

void TFormObjects_List::SetCurrent(int row) {
    if (row >= 0 && row < Count())
        list_->Selected = uint8_t(row);
}

void TFormObjects_List::SetSortMode(uint8_t mode) {
    list_->SortMode = mode;
    Redisplay();
}

void TFormObjects_List::Redisplay() {
    redisplaying_ = true;
    const int count = Count();
    if (count > 1)
        SortObjectList(*list_);
    // A current index past the list (only from a hand-edited file) comes
    // back to the first object.
    if (count > 0 && list_->Selected >= count)
        list_->Selected = 0;
    Model->Refresh();
    if (count > 0) {
        StringGrid1->selectRow(list_->Selected);
        StringGrid1->scrollTo(Model->index(list_->Selected, 0));
    }
    BitBtnEdit->setEnabled(count > 0);
    BitBtnDelete->setEnabled(count > 0);
    BitBtnAdd->setEnabled(count < MaxObjects);
    SpeedButtonSortName->setEnabled(count > 1 && list_->SortMode != ObjectsByName);
    SpeedButtonSortAddress->setEnabled(count > 1 && list_->SortMode != ObjectsByAddress);
    redisplaying_ = false;
}

void TFormObjects_List::SpeedButtonSortNameClick() {
    SetSortMode(ObjectsByName);
}

void TFormObjects_List::SpeedButtonSortAddressClick() {
    SetSortMode(ObjectsByAddress);
}

void TFormObjects_List::StringGrid1Click(const QModelIndex& index) {
    if (index.isValid())
        SetCurrent(index.row());
}

void TFormObjects_List::StringGrid1DblClick(const QModelIndex& index) {
    if (!index.isValid())
        return;
    SetCurrent(index.row());
    BitBtnEditClick();
}

void TFormObjects_List::BitBtnEditClick() {
    const int count = Count();
    if (count == 0)
        return;
    const int current = std::min<int>(list_->Selected, count - 1);
    TFormObject form(list_->Entries[current], TFormObject::EditEntry, this);
    if (form.exec() == QDialog::Accepted)
        Redisplay();
}

void TFormObjects_List::BitBtnAddClick() {
    const int count = Count();
    if (count >= MaxObjects)
        return;
    TFormObject form(list_->Entries[count], TFormObject::NewEntry, this);
    if (form.exec() != QDialog::Accepted)
        return;
    list_->Selected = uint8_t(count);
    list_->Count = uint8_t(count + 1);
    Redisplay();
}

void TFormObjects_List::BitBtnDeleteClick() {
    if (Count() == 0)
        return;
    Shared().MessageKind = MsgQuestion;
    ShowMessageBox(QStringLiteral("Вы действительно хотите"), QStringLiteral("удалить этот объект?"));
    if (!Shared().QuestionAnswer)
        return;
    DeleteObject(*list_, list_->Selected);
    Redisplay();
}

void TFormObjects_List::BitBtnOkClick() {
    if (!(*list_ == copy_)) {
        BusyCursor busy;
        // A failure to write is not reported: the list stays in memory for the run.
        WriteObjectList(path_, *list_);
    }
    accept();
}

void TFormObjects_List::reject() {
    *list_ = copy_;
    QDialog::reject();
}

}  // namespace zmk
