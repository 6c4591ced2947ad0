#include "tables/Catalogue.h"

namespace zmk {

namespace {

// clang-format off
const TableDescriptor Catalogue[TableCount] = {
    {18,  1, 0,    0, " Общие параметры идентификации"},
    { 0,  0, 0,   -1, " Наличие значения скорости обмена"},
    { 8,  1, 1,   18, " Текущие дата и время контроллера"},
    { 4,  1, 1,   26, " Параметры связи с верхним уровнем (ВУ)"},
    {16, 22, 1,   30, " Доступ к таблицам параметров конфигурации"},
    { 1, 20, 1,  382, " Наименование контроллера"},
    {12,  1, 1,  402, " Системные параметры"},
    {38,  1, 0,  414, " Состояние таблиц параметров конфигурации"},
    { 2,  1, 0,  452, " Возможность исполнения контроллером его функций"},
    { 8,  1, 1,  454, " Параметры связи с ВРГ"},
    { 2,  4, 0,  462, " Граничные индексы записей в архиве диагностики"},
    { 2,  4, 0,  470, " Граничные индексы записей в архиве вмешательств"},
    { 2,  4, 0,  478, " Гран. индексы записей в архиве оценок качества калибровки хроматографа"},
    {16, 16, 1,  486, " Пароль на запись в вычислитель расхода газа"},
    { 8,  1, 1,  742, " Параметры связи с хроматографом по MODBUS прот."},
    { 8,  1, 1,  750, "Параметры связи с влагомером по MODBUS прот."},
    {18,  1, 0,  758, " Обобщенные признаки наличия нештатных ситуаций"},
    {16,  1, 1,  776, " Тип вычислителя (корректора) расхода газа"},
    {16,  1, 1,  792, " Адреса подключенных ВРГ"},
    {16,  1, 1,  808, " Необходимость записи параметров газа для трубопроводов ВРГ"},
    {16,  1, 1,  824, " Порядок байтов в многобайтных переменных ВРГ"},
    {20,  1, 1,  840, " Необходимость записи значений параметров газа в ВРГ"},
    {20,  4, 1,  860, " Зона нечувствительности изменений параметров газа"},
    {20,  4, 1,  940, " Нижняя предупредительная уставка параметров газа"},
    {20,  4, 1, 1020, " Верхняя предупредительная уставка параметров газа"},
    {20,  4, 1, 1100, " Нижний предел знач. парам. газа, допускаемого для записи в ВРГ"},
    {20,  4, 1, 1180, " Верхний предел знач. парам. газа, допускаемого для записи в ВРГ"},
    { 3,  6, 0, 1260, " Дата первой записи в архив мгн. данных хроматографа"},
    { 2,  1, 1, 1278, " Период записи средних за час значений параметров газа в ВРГ"},
    { 7,  4, 1, 1280, " Параметры связи по Ethernet"},
    {22,  4, 0, 1308, " Мгновенные данные хроматографа"},
    { 0,  0, 0,   -1, ""},
    {20,  1, 0, 1396, " Зона параметра газа (ЗПГ)"},
    { 2,  1, 0, 1416, " Наличие связи с  хроматографом"},
    {16,  1, 0, 1418, " Наличие связи с  вычислителем расхода газа"},
    {16,  1, 0, 1434, " Состояние процесса записи параметров в ВРГ"},
    { 0,  0, 0,   -1, ""},
    { 7,  4, 0, 1558, ""},
};
// clang-format on

const TableDescriptor EmptySlot{0, 0, 0, -1, ""};

}  // namespace

const TableDescriptor& Descriptor(int table) {
    return table >= 0 && table < TableCount ? Catalogue[table] : EmptySlot;
}

bool TableExists(int table) { return Descriptor(table).fieldCount > 0; }

bool TableReadable(int table) { return TableExists(table) && table != 13; }

namespace {

// The user record of table 4: name 0..3, level 4, reserved 5, write
// password 6..17, identification code 18..21.
constexpr int UserPasswordAt = 6;
constexpr int UserCodeEnd = 22;

}  // namespace

bool HoldsCredentials(int table) { return table == UsersTable || table == FlowComputerPasswordTable; }

bool IsCredentialByte(int table, int byteInField) {
    if (byteInField < 0 || byteInField >= Descriptor(table).fieldSize) return false;
    if (table == UsersTable) return byteInField >= UserPasswordAt && byteInField < UserCodeEnd;
    return table == FlowComputerPasswordTable;
}

QString TableName(int table) { return QString::fromUtf8(Descriptor(table).name); }

int FieldsPerRead(int table) {
    const int size = Descriptor(table).fieldSize;
    return size > 0 ? MaxReadData / size : 0;
}

int FieldsPerWrite(int table) {
    const int size = Descriptor(table).fieldSize;
    return size > 0 ? MaxWriteData / size : 0;
}

}  // namespace zmk
