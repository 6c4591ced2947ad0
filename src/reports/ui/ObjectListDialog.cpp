#include "reports/ui/ObjectListDialog.h"

#include <QApplication>
#include <algorithm>

#include "common/ui/WaitWindow.h"
#include "reports/ui/ObjectDialog.h"

namespace zmk {

namespace {

// Layout, in pixels.
constexpr int kGridHeight = 430;
constexpr int kButtonWidth = 96;
constexpr int kButtonGap = 10;
constexpr int kNumberWidth = 50;
constexpr int kNameWidth = 380;

static_assert(ObjectsByName == ListDialogFrame::NameSortKind);
static_assert(ObjectsByAddress == ListDialogFrame::SecondSortKind);


}  // namespace

// ---------------------------------------------------------------------------

ObjectsListModel::ObjectsListModel(const ObjectList* list, QObject* parent)
    : ListTableModel({QStringLiteral("№"), QStringLiteral("Наименование"), QStringLiteral(" Адрес")},
                     parent),
      list_(list) {}

int ObjectsListModel::rowCount(const QModelIndex& parent) const {
    return parent.isValid() ? 0 : std::min<int>(list_->Count, MaxObjects);
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

// ---------------------------------------------------------------------------

ObjectListDialog::ObjectListDialog(ObjectList& list, const QString& path, QWidget* parent)
    : ListDialogFrame(parent), list_(&list), copy_(list), path_(path) {
    model_ = new ObjectsListModel(list_, this);
    BuildWindow();
}

int ObjectListDialog::Count() const {
    return std::min<int>(list_->Count, MaxObjects);
}

int ObjectListDialog::CurrentIndex() const {
    return list_->Selected;
}

void ObjectListDialog::BuildWindow() {
    setWindowTitle(QStringLiteral(" Список объектов"));
    BuildFrame(model_, {.width = FormWidth,
                        .height = FormHeight,
                        .gridHeight = kGridHeight,
                        .buttonWidth = kButtonWidth,
                        .buttonGap = kButtonGap,
                        .columnWidths = {kNumberWidth, kNameWidth},
                        .nameColumn = ObjectsListModel::ColumnName,
                        .secondSortColumn = ObjectsListModel::ColumnAddress,
                        .secondSortTip = QStringLiteral("Упорядочить по адресу"),
                        .maxRows = MaxObjects,
                        .sortNeedsTwoRows = true});
}

void ObjectListDialog::SetCurrent(int row) {
    if (row >= 0 && row < Count())
        list_->Selected = uint8_t(row);
}

uint8_t ObjectListDialog::SortKind() const {
    return list_->SortMode;
}

void ObjectListDialog::StoreSortKind(uint8_t mode) {
    list_->SortMode = mode;
}

void ObjectListDialog::PrepareRows() {
    const int count = Count();
    if (count > 1)
        SortObjectList(*list_);
    // A current index past the list (only from a hand-edited file) comes
    // back to the first object.
    if (count > 0 && list_->Selected >= count)
        list_->Selected = 0;
    model_->Refresh();
}

void ObjectListDialog::editCurrentRow() {
    const int count = Count();
    if (count == 0)
        return;
    const int current = std::min<int>(list_->Selected, count - 1);
    ObjectDialog form(list_->Entries[current], ObjectDialog::EditEntry, this);
    if (form.exec() == QDialog::Accepted)
        Redisplay();
}

void ObjectListDialog::addRow() {
    const int count = Count();
    if (count >= MaxObjects)
        return;
    ObjectDialog form(list_->Entries[count], ObjectDialog::NewEntry, this);
    if (form.exec() != QDialog::Accepted)
        return;
    list_->Selected = uint8_t(count);
    list_->Count = uint8_t(count + 1);
    Redisplay();
}

void ObjectListDialog::deleteCurrentRow() {
    if (!ConfirmDelete(QStringLiteral("удалить этот объект?")))
        return;
    DeleteObject(*list_, list_->Selected);
    Redisplay();
}

void ObjectListDialog::acceptList() {
    if (!(*list_ == copy_)) {
        BusyCursor busy;
        // A failure to write is not reported: the list stays in memory for the run.
        WriteObjectList(path_, *list_);
    }
    accept();
}

void ObjectListDialog::reject() {
    *list_ = copy_;
    QDialog::reject();
}

}  // namespace zmk
