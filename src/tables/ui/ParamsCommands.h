#pragma once

// The commands of the "Параметры" menu that edit the controller's links and
// its flow computers. Each reads its tables afresh, lets the user edit a
// copy in its dialog and writes only what changed; a dialog left with
// "Отменить" writes nothing, a failed exchange asks the retry question
// (with the link's text on the message panel) and ends the command.

#include <functional>

namespace zmk {

class CommandHost;

// "С верхним уровнем" (table 3). After the write the link follows the
// controller's new address (and on the direct line its rate), keeps them for
// the next connection, and showLinkParams shows the link again.
void EditUpperLevelLink(CommandHost& host, const std::function<void()>& showLinkParams);
// After table 3 was written from the image: the new address (and on the
// direct line the rate) kept for the next connection; the link follows them
// only when followLink is set (a link about to be closed keeps its own).
void KeepUpperLevelLink(CommandHost& host, bool followLink);
// "C хроматографом" (table 14); after the write hexaneInList follows the hexane bit.
void EditChromatographLink(CommandHost& host, bool& hexaneInList);
// "С влагомером" (table 15).
void EditMoistureMeterLink(CommandHost& host);
// "С вычислителем расхода газа" (table 9); a larger number of flow computers
// needs their parameters first (tables 17..20 and their passwords).
void EditFlowComputerLink(CommandHost& host);
// "Параметры связи по Ethernet" (table 29).
void EditEthernetLink(CommandHost& host);
// "Параметры вычислителей": the flow-computer list (tables 9 field 0, 17..20, 13).
void EditFlowComputers(CommandHost& host);
// "Необходимость записи значений параметров газа в ВРГ" (table 21).
void EditGasParameterWrite(CommandHost& host);
// "Период записи средних за час значений параметров газа в ВРГ" (table 28).
void EditHourlyWritePeriod(CommandHost& host);
// "Уставки для контроля ЗМК": the limits of gas parameters 0..17 (tables
// 22..26); without the hexane value in the list (hexaneInList false) its row
// cannot be edited and is written back as the controller holds it.
void EditGasLimits(CommandHost& host, bool hexaneInList);

}  // namespace zmk
