#pragma once

// "Просмотр/Печать из файла" of the two event submenus: a saved ".ala" or
// ".aud" file reopened without a controller.

#include "events/EventRecords.h"

class QWidget;

namespace zmk {

// The open-file dialog ("Выберите файл с данными", the kind's folder and
// filter, no name proposed), ReadEventFile's refusals as messages, then the
// kind's viewer on the saved rows, modally.
void ViewEventFile(EventKind kind, QWidget* parent);

}  // namespace zmk
