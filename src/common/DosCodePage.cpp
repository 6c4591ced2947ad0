#include "common/DosCodePage.h"

#include <array>

namespace zmk {

namespace {

struct DosTables {
    uint8_t toDos[256];
    uint8_t fromDos[256];
};

DosTables BuildDosTables() {
    DosTables t{};
    for (int i = 0; i < 256; ++i) t.toDos[i] = t.fromDos[i] = uint8_t(i);

    // Windows-1251 -> CP866: letters, then the other characters both pages have.
    for (int i = 0; i < 32; ++i) t.toDos[0xC0 + i] = uint8_t(0x80 + i);  // А..Я
    for (int i = 0; i < 16; ++i) t.toDos[0xE0 + i] = uint8_t(0xA0 + i);  // а..п
    for (int i = 0; i < 16; ++i) t.toDos[0xF0 + i] = uint8_t(0xE0 + i);  // р..я
    const uint8_t shared[][2] = {{0xA8, 0xF0}, {0xB8, 0xF1}, {0xAA, 0xF2}, {0xBA, 0xF3}, {0xAF, 0xF4},
                                 {0xBF, 0xF5}, {0xA1, 0xF6}, {0xA2, 0xF7}, {0xB0, 0xF8}, {0xB7, 0xFA},
                                 {0xB9, 0xFC}, {0xA4, 0xFD}};
    for (const auto& p : shared) t.toDos[p[0]] = p[1];
    for (int c = 0x80; c <= 0x94; ++c) t.toDos[c] = '_';
    for (int c = 0x96; c <= 0xA0; ++c) t.toDos[c] = '_';
    for (uint8_t c : {0xA3, 0xA5, 0xB1, 0xB4, 0xB5, 0xBC, 0xBD, 0xBE}) t.toDos[c] = '_';
    const uint8_t toDosExceptions[][2] = {{0x95, 0xF9}, {0xA6, '|'}, {0xA7, 0x15}, {0xA9, 'c'}, {0xAB, 0x11},
                                          {0xAC, '-'},  {0xAD, '-'}, {0xAE, 'r'},  {0xB2, 'I'}, {0xB3, 'i'},
                                          {0xB6, 0x14}, {0xBB, 0x10}};
    for (const auto& p : toDosExceptions) t.toDos[p[0]] = p[1];

    // CP866 -> Windows-1251.
    for (int i = 0; i < 32; ++i) t.fromDos[0x80 + i] = uint8_t(0xC0 + i);
    for (int i = 0; i < 16; ++i) t.fromDos[0xA0 + i] = uint8_t(0xE0 + i);
    for (int i = 0; i < 16; ++i) t.fromDos[0xE0 + i] = uint8_t(0xF0 + i);
    for (const auto& p : shared) t.fromDos[p[1]] = p[0];
    t.fromDos[0x0F] = 0xA4;
    t.fromDos[0x14] = 0xB6;
    t.fromDos[0x15] = 0xA7;
    t.fromDos[0xF9] = 0x95;
    // Box drawing: verticals become a broken bar, horizontals a dash, the rest a cross.
    for (int c = 0xB3; c <= 0xDA; ++c) t.fromDos[c] = '+';
    for (uint8_t c : {0xB3, 0xB4, 0xB5, 0xB6, 0xB9, 0xBA, 0xC6, 0xC7, 0xCC}) t.fromDos[c] = 0xA6;
    for (uint8_t c : {0xC1, 0xC2, 0xC4, 0xCA, 0xCB, 0xCD, 0xCF, 0xD0, 0xD1, 0xD2}) t.fromDos[c] = '-';
    for (uint8_t c : {0xB0, 0xB1, 0xB2, 0xDB, 0xDC, 0xDD, 0xDE, 0xDF, 0xFB, 0xFE, 0xFF}) t.fromDos[c] = '_';
    return t;
}

const DosTables& Dos() {
    static const DosTables tables = BuildDosTables();
    return tables;
}

}  // namespace

int EncodeDosText(uint8_t* bytes, int length) {
    for (int i = 0; i < length; ++i) bytes[i] = Dos().toDos[bytes[i]];
    return length;
}

int DecodeDosText(uint8_t* bytes, int length) {
    for (int i = 0; i < length; ++i) bytes[i] = Dos().fromDos[bytes[i]];
    return length;
}

}  // namespace zmk
