#include "common/ui/ListDialogFrame.h"

#include <QComboBox>
#include <QHeaderView>
#include <QItemSelectionModel>
#include <QLineEdit>
#include <QPushButton>
#include <QTableView>
#include <QToolButton>
#include <algorithm>

#include "common/ui/NumericKeyFilter.h"
#include "common/ui/MessageDialog.h"
#include "common/MessageKind.h"

namespace zmk {

namespace {

// Layout, in pixels.
constexpr int kMargin = 8;
constexpr int kRowHeight = 22;
constexpr int kHeaderHeight = 26;
constexpr int kButtonHeight = 30;
constexpr int kButtonBottomMargin = 24;
constexpr int kSortButtonSize = 18;
constexpr int kSortButtonRightGap = 3;
constexpr int kAddressListRows = 16;

QToolButton* MakeSortButton(QWidget* parent, const QString& name, const QString& tip) {
    auto* button = new QToolButton(parent);
    button->setObjectName(name);
    button->setArrowType(Qt::DownArrow);
    button->setAutoRaise(true);
    button->setFixedSize(kSortButtonSize, kSortButtonSize);
    button->setToolTip(tip);
    return button;
}

}  // namespace

ListTableModel::ListTableModel(const QStringList& headings, QObject* parent)
    : QAbstractTableModel(parent), headings_(headings) {}

int ListTableModel::columnCount(const QModelIndex& parent) const {
    return parent.isValid() ? 0 : int(headings_.size());
}

QVariant ListTableModel::data(const QModelIndex& index, int role) const {
    if (!index.isValid() || role != Qt::DisplayRole)
        return {};
    return CellText(index.row(), index.column());
}

QVariant ListTableModel::headerData(int section, Qt::Orientation orientation, int role) const {
    if (orientation != Qt::Horizontal || role != Qt::DisplayRole)
        return QAbstractTableModel::headerData(section, orientation, role);
    if (section < 0 || section >= headings_.size())
        return {};
    return headings_[section];
}

void ListTableModel::Refresh() {
    beginResetModel();
    endResetModel();
}

// ---------------------------------------------------------------------------

ListDialogFrame::ListDialogFrame(QWidget* parent) : QDialog(parent) {}

void ListDialogFrame::BuildFrame(ListTableModel* model, const ListFrameShape& shape) {
    shape_ = shape;
    setFixedSize(shape.width, shape.height);

    rowsGrid_ = new QTableView(this);
    rowsGrid_->setObjectName(QStringLiteral("rowsGrid"));
    rowsGrid_->setModel(model);
    rowsGrid_->setGeometry(kMargin, kMargin, shape.width - 2 * kMargin, shape.gridHeight);
    rowsGrid_->setSelectionBehavior(QAbstractItemView::SelectRows);
    rowsGrid_->setSelectionMode(QAbstractItemView::SingleSelection);
    rowsGrid_->setEditTriggers(QAbstractItemView::NoEditTriggers);
    rowsGrid_->setTabKeyNavigation(false);
    rowsGrid_->setWordWrap(false);
    rowsGrid_->verticalHeader()->hide();
    rowsGrid_->verticalHeader()->setDefaultSectionSize(kRowHeight);
    QHeaderView* header = rowsGrid_->horizontalHeader();
    header->setDefaultAlignment(Qt::AlignLeft | Qt::AlignVCenter);
    header->setSectionsClickable(false);
    header->setHighlightSections(false);
    header->setFixedHeight(kHeaderHeight);
    for (int column = 0; column < int(shape.columnWidths.size()); ++column)
        header->resizeSection(column, shape.columnWidths[column]);
    header->setStretchLastSection(true);

    nameSortButton_ = MakeSortButton(header, QStringLiteral("nameSortButton"),
                                     QStringLiteral("Упорядочить по наименованию"));
    secondSortButton_ = MakeSortButton(header, QStringLiteral("secondSortButton"), shape.secondSortTip);
    connect(header, &QHeaderView::sectionResized, this, &ListDialogFrame::PlaceSortButtons);
    connect(header, &QHeaderView::geometriesChanged, this, &ListDialogFrame::PlaceSortButtons);

    const int buttonTop = shape.height - kButtonHeight - kButtonBottomMargin;
    auto makeButton = [&](const QString& name, const QString& text, int left) {
        auto* button = new QPushButton(text, this);
        button->setObjectName(name);
        button->setGeometry(left, buttonTop, shape.buttonWidth, kButtonHeight);
        button->setAutoDefault(false);
        return button;
    };
    const int step = shape.buttonWidth + shape.buttonGap;
    editButton_ = makeButton(QStringLiteral("editButton"), QStringLiteral("Изменить"), kMargin);
    addButton_ = makeButton(QStringLiteral("addButton"), QStringLiteral("Добавить"), kMargin + step);
    deleteButton_ = makeButton(QStringLiteral("deleteButton"), QStringLiteral("Удалить"), kMargin + 2 * step);
    const int cancelLeft = shape.width - kMargin - shape.buttonWidth;
    cancelButton_ = makeButton(QStringLiteral("cancelButton"), QStringLiteral("Отменить"), cancelLeft);
    acceptButton_ = makeButton(QStringLiteral("acceptButton"), QStringLiteral("Принять"), cancelLeft - step);

    connect(editButton_, &QPushButton::clicked, this, &ListDialogFrame::editCurrentRow);
    connect(addButton_, &QPushButton::clicked, this, &ListDialogFrame::addRow);
    connect(deleteButton_, &QPushButton::clicked, this, &ListDialogFrame::deleteCurrentRow);
    connect(acceptButton_, &QPushButton::clicked, this, &ListDialogFrame::acceptList);
    connect(cancelButton_, &QPushButton::clicked, this, &QDialog::reject);
    connect(nameSortButton_, &QToolButton::clicked, this, &ListDialogFrame::sortByName);
    connect(secondSortButton_, &QToolButton::clicked, this, &ListDialogFrame::sortBySecondColumn);
    connect(rowsGrid_, &QTableView::clicked, this, &ListDialogFrame::makeRowCurrent);
    connect(rowsGrid_, &QTableView::doubleClicked, this, &ListDialogFrame::editClickedRow);
    // Moving through the rows with the keyboard makes the row current as a click does.
    connect(rowsGrid_->selectionModel(), &QItemSelectionModel::currentRowChanged, this,
            [this](const QModelIndex& current) {
                if (!redisplaying_ && current.isValid())
                    SetCurrent(current.row());
            });

    Redisplay();
    PlaceSortButtons();
}

void ListDialogFrame::showEvent(QShowEvent* event) {
    QDialog::showEvent(event);
    PlaceSortButtons();
}

void ListDialogFrame::PlaceSortButtons() {
    QHeaderView* header = rowsGrid_->horizontalHeader();
    const int top = (header->height() - kSortButtonSize) / 2;
    auto place = [&](QToolButton* button, int section) {
        const int right = header->sectionViewportPosition(section) + header->sectionSize(section);
        button->move(right - kSortButtonSize - kSortButtonRightGap, std::max(0, top));
        button->raise();
    };
    place(nameSortButton_, shape_.nameColumn);
    place(secondSortButton_, shape_.secondSortColumn);
}

void ListDialogFrame::Redisplay() {
    redisplaying_ = true;
    PrepareRows();
    const int count = Count();
    if (count > 0) {
        rowsGrid_->selectRow(CurrentIndex());
        rowsGrid_->scrollTo(rowsGrid_->model()->index(CurrentIndex(), 0));
    }
    editButton_->setEnabled(count > 0);
    deleteButton_->setEnabled(count > 0);
    addButton_->setEnabled(count < shape_.maxRows);

    const bool sortable = !shape_.sortNeedsTwoRows || count > 1;
    const uint8_t kind = SortKind();
    nameSortButton_->setEnabled(sortable && kind != NameSortKind);
    secondSortButton_->setEnabled(sortable && kind != SecondSortKind);
    redisplaying_ = false;
}

void ListDialogFrame::SetSortKind(uint8_t kind) {
    StoreSortKind(kind);
    Redisplay();
}

void ListDialogFrame::sortByName() {
    SetSortKind(NameSortKind);
}

void ListDialogFrame::sortBySecondColumn() {
    SetSortKind(SecondSortKind);
}

void ListDialogFrame::makeRowCurrent(const QModelIndex& index) {
    if (index.isValid())
        SetCurrent(index.row());
}

void ListDialogFrame::editClickedRow(const QModelIndex& index) {
    if (!index.isValid())
        return;
    SetCurrent(index.row());
    editCurrentRow();
}

bool ListDialogFrame::ConfirmDelete(const QString& secondLine) {
    if (Count() == 0)
        return false;
    return Ask(MessageKind::Question, QStringLiteral("Вы действительно хотите"), secondLine);
}

// ---------------------------------------------------------------------------

QComboBox* MakeAddressComboBox(QWidget* parent, int first, int last, int maxLength,
                               const QRect& geometry) {
    auto* combo = new QComboBox(parent);
    combo->setEditable(true);
    combo->setInsertPolicy(QComboBox::NoInsert);
    combo->setMaxVisibleItems(kAddressListRows);
    for (int address = first; address <= last; ++address)
        combo->addItem(QString::number(address));
    combo->setCurrentIndex(-1);
    combo->setEditText(QString());
    combo->lineEdit()->setMaxLength(maxLength);
    NumericKeyFilter::Install(combo, NumericKeyFilter::Integer);
    combo->setGeometry(geometry);
    return combo;
}

void MakeAcceptCancelButtons(QDialog* dialog, const QSize& form, int buttonWidth, int buttonHeight,
                             int bottomMargin, QPushButton*& ok, QPushButton*& cancel) {
    const int top = form.height() - buttonHeight - bottomMargin;
    const int gap = (form.width() - 2 * buttonWidth) / 3;
    ok = new QPushButton(QStringLiteral("Принять"), dialog);
    ok->setObjectName(QStringLiteral("acceptButton"));
    ok->setGeometry(gap, top, buttonWidth, buttonHeight);
    ok->setDefault(true);
    cancel = new QPushButton(QStringLiteral("Отменить"), dialog);
    cancel->setObjectName(QStringLiteral("cancelButton"));
    cancel->setGeometry(2 * gap + buttonWidth, top, buttonWidth, buttonHeight);
    QObject::connect(cancel, &QPushButton::clicked, dialog, &QDialog::reject);
}

void ShowInputError(QWidget* field, const QString& first, const QString& second) {
    ShowMessage(MessageKind::InputError, first, second);
    if (field != nullptr)
        field->setFocus();
}

}  // namespace zmk
