#!/usr/bin/env python3
"""Writes the hand-made seeds of the file reader fuzz targets into
fuzz/seeds/<target>/: small realistic files of every kind the program reads,
with a few damaged ones among them. Run it again after changing a seed here;
the answer receiver's seeds (fuzz/seeds/fuzz_answer) are not made here."""

import math
import os
import struct

SEEDS = os.path.join(os.path.dirname(os.path.abspath(__file__)), "seeds")


def cp(text):
    return text.encode("cp1251")


def crc16(data):
    crc = 0xFFFF
    for b in data:
        crc ^= b
        for _ in range(8):
            crc = (crc >> 1) ^ 0xA001 if crc & 1 else crc >> 1
    return crc


def sealed(body):
    """A record closed by its CRC-16/MODBUS, least significant byte first."""
    return body + struct.pack("<H", crc16(body))


def write(target, name, data):
    folder = os.path.join(SEEDS, target)
    os.makedirs(folder, exist_ok=True)
    with open(os.path.join(folder, name), "wb") as f:
        f.write(data)


def crlf(lines):
    return cp("".join(line + "\r\n" for line in lines))


# ---------------------------------------------------------------------------
# Measurement files: a 58-byte header and the records.

NAME = cp("ГРС Северная").ljust(20, b"\0")


def header(signature, analyser, count, start, end, chrom_type=4, moisture_type=0, hexane=1, address=1):
    h = signature + bytes([analyser]) + NAME + bytes([address])
    h += bytes([24, 6, 3, 10, 15, 42])          # opened
    h += bytes(start).ljust(5, b"\0") + b"\0"   # period start, 5 bytes and a 0
    h += bytes(end).ljust(5, b"\0") + b"\0"
    h += struct.pack("<I", count)
    h += bytes([chrom_type, moisture_type, hexane]) + bytes(8)
    assert len(h) == 58
    return h


# A plausible natural gas: gas parameters 0..19.
GAS = [0.05, 0.9, 0.12, 0.15, 0.001, 0.04, 0.03, 0.8, 93.5, 0.6, 3.7,
       38.2, 0.74, 50.1, 0.04, 0.01, 34.4, 12.5, 0.0, 0.0]


def floats(values):
    return b"".join(struct.pack("<f", v) for v in values)


def chrom_five_minute(date, status=0, word=0, gas=GAS):
    return sealed(bytes(date) + bytes([status]) + struct.pack("<H", word) + bytes(2) + floats(gas))


def chrom_hour_day(date, end, status=0, gas=GAS):
    return sealed(bytes(date) + bytes(end) + bytes([status]) + floats(gas))


def moisture_five_minute(date, status=0, word=0, values=(-12.5, -8.1, 54.3, -20.2)):
    return sealed(bytes(date) + bytes([status]) + bytes(2) + struct.pack("<H", word) + floats(values))


def moisture_hour_day(date, end, status=0, values=(-12.4, -8.0, 54.1, -20.0)):
    return sealed(bytes(date) + bytes(end) + bytes([status]) + floats(values))


def measurement_seeds():
    t = "fuzz_measurement_file"
    recs = [chrom_five_minute([24, 6, 1, 10, 0, 0]),
            chrom_five_minute([24, 6, 1, 10, 5, 0], status=0x80),
            chrom_five_minute([24, 6, 1, 10, 10, 0], status=0x08, word=0x0102)]
    write(t, "five-minute.mch", header(b"MOM", 0, 3, [24, 6, 1, 10, 0], [24, 6, 1, 10, 10]) + b"".join(recs))
    bad = bytearray(chrom_five_minute([24, 6, 1, 10, 15, 0], status=0x02))
    bad[20] ^= 0xFF  # checksum no longer holds
    write(t, "damaged.mch", header(b"MOM", 0, 5, [24, 6, 1, 10, 0], [24, 6, 1, 10, 20], hexane=0)
          + recs[0] + bytes(bad))
    nan = list(GAS)
    nan[8] = math.nan
    recs = [chrom_hour_day([24, 6, 1, 10, 0, 0], [11, 0, 0]),
            chrom_hour_day([24, 6, 1, 11, 0, 0], [12, 0, 0], status=0x10),
            chrom_hour_day([24, 6, 1, 12, 0, 0], [13, 0, 0], gas=nan)]
    write(t, "hourly.hch", header(b"HOU", 0, 3, [24, 6, 1, 10], [24, 6, 1, 12]) + b"".join(recs))
    recs = [chrom_hour_day([24, 6, 1, 10, 0, 0], [0x8A, 0, 0]),
            chrom_hour_day([24, 6, 2, 10, 0, 0], [0x0A, 0, 0], status=0x20)]
    write(t, "daily.dch", header(b"DAY", 0, 2, [24, 6, 1], [24, 6, 2]) + b"".join(recs))
    recs = [moisture_five_minute([24, 6, 1, 10, 0, 0]),
            moisture_five_minute([24, 6, 1, 10, 5, 0], status=0x04),
            moisture_five_minute([24, 6, 1, 10, 10, 0], status=0x02, word=0x8001)]
    write(t, "five-minute.mwm", header(b"MOM", 1, 3, [24, 6, 1, 10, 0], [24, 6, 1, 10, 10], moisture_type=2)
          + b"".join(recs))
    recs = [moisture_hour_day([24, 6, 1, 10, 0, 0], [11, 0, 0]),
            moisture_hour_day([24, 6, 1, 11, 0, 0], [12, 0, 0], values=(math.inf, -8.0, 54.1, -20.0))]
    write(t, "hourly.hwm", header(b"HOU", 1, 2, [24, 6, 1, 10], [24, 6, 1, 11], moisture_type=2) + b"".join(recs))
    recs = [moisture_hour_day([24, 6, 1, 10, 0, 0], [0x8A, 0, 0])]
    # announces three records and holds one and a half
    write(t, "cut.dwm", header(b"DAY", 1, 3, [24, 6, 1], [24, 6, 3], moisture_type=2) + recs[0] + recs[0][:14])
    write(t, "foreign-type.mch", header(b"MOM", 0, 1, [24, 6, 1, 10, 0], [24, 6, 1, 10, 0], chrom_type=3)
          + chrom_five_minute([24, 6, 1, 10, 0, 0]))


# ---------------------------------------------------------------------------
# Settings files in the profile dialect.

ZMK_INI = [
    "[CURR_PAR]", "Conn_Prz=2", "Free_Port_Wait=1", "Do_Close_Port=0",
    "Form_Width=1000", "Form_Height=680", "Form_Left=460", "Form_Top=200", "",
    "[DIR_CONN_PAR]", "COMPort=1", "Adr=1", "Rate=38400", "Preambles=5", "Repeat=1",
    "TimeOut=100", "WaitTime=2", "",
    "[FON_CONN_PAR]", "COMPort=3", "Adr=12", "Rate=9600", "Preambles=5", "Repeat=2",
    "TimeOut=100", "WaitTime=6", "Default_Command=0", "Command=AT&FE0V1X4", "ConnectWaitTime=50",
    "AutoRepeat=0", "Conn_Repeat=1", "",
    "[ETHERNET_CONN_PAR]", "Adr=1", "Preambles=5", "Repeat=1", "TimeOut=300", "WaitTime=5",
    "ConnectWaitTime=10", "Conn_Repeat=1",
]

ZMK_INI_EDITED = [
    "; edited by hand", "[curr_par]", "Conn_Prz = 1", "Do_Close_Port=7", "Form_Width=abc", "",
    "[DIR_CONN_PAR]", "Adr=300", "Rate=", "TimeOut=-5", "WaitTime=2147483648", "",
    "[FON_CONN_PAR]", "Command=\" ATDT 8 (495) 123-45-67 \"", "Escape_Guard=2000", "",
    "[COM_PORTS]", "COM1=/dev/ttyUSB0", "COM3 = /dev/pts/4 ", "COM300=/dev/null", "COM2=",
    "[Прочее]", "Ключ=Значение",
]


def profile_seeds():
    t = "fuzz_profile_file"
    write(t, "zmk.ini", crlf(ZMK_INI))
    write(t, "edited.ini", b"\xEF\xBB\xBF" + crlf(ZMK_INI_EDITED[:8]) + cp("\n".join(ZMK_INI_EDITED[8:])))
    write(t, "odd-lines.ini", cp("[A]\r\nk=v\n\n[ B ]\r\n=no name\r\n  key  =  'quoted'  \r\n"
                                 "[Unclosed\r\nx=1\r\r\n;x=2\r\n[a]\r\nK=dup") + b"\0\xC0\x98")
    write(t, "objects.ini", cp("[OBJECT_LIST]\r\nobj_num=1\r\n[OBJECT_1]\r\ncontr_adr=5\r\nobj_name=ГРС-1\r\n"))


def main_settings_seeds():
    t = "fuzz_main_settings"
    write(t, "zmk.ini", crlf(ZMK_INI))
    write(t, "edited.ini", crlf(ZMK_INI_EDITED))
    write(t, "long-command.ini", crlf(["[FON_CONN_PAR]", "Command='" + "ATS0=0" * 40 + " '", "Rate=+19200"]))
    write(t, "empty.ini", b"")


def subscriber_seeds():
    t = "fuzz_subscriber_list"
    write(t, "fon_abonents.ini", crlf([
        "[FON_CONN_PAR]", "users_num=3", "user_index=1", "sort_prz=0",
        "[FON_ABONENT_1]", "user_name=ГРС Южная", "contr_adr=3", "adr_modbus=1", "phone_code=84951234567",
        "[FON_ABONENT_2]", "user_name=грс Восточная", "contr_adr=17", "adr_modbus=1", "phone_code=8-812-765-43-21",
        "[FON_ABONENT_3]", "user_name=АГРС 5", "contr_adr=255", "adr_modbus=2", "phone_code=ATDP 112",
    ]))
    write(t, "ethr_abonents.ini", crlf([
        "[ETHERNET_CONN_PAR]", "users_num=2", "user_index=0", "sort_prz=1",
        "[ETHERNET_ABONENT_1]", "user_name=Узел учёта", "contr_adr=1", "ip_adr=-1062731500", "port=502",
        "[ETHERNET_ABONENT_2]", "user_name=Стенд", "contr_adr=2", "ip_adr=2130706433", "port=4001",
        "[ETHERNET_ABONENT_3]", "user_name=стёртый", "contr_adr=9", "ip_adr=1", "port=1",
    ]))
    write(t, "odd-values.ini", crlf([
        "[FON_CONN_PAR]", "users_num=300", "user_index=250", "sort_prz=7",
        "[FON_ABONENT_1]", "user_name=" + "Очень длинное имя абонента, которое не помещается" * 2,
        "contr_adr=0", "phone_code=\"  8 800  \"",
        "[FON_ABONENT_2]", "user_name=Б", "[FON_ABONENT_3]", "user_name=а",
        "[ETHERNET_CONN_PAR]", "users_num=2", "user_index=5",
        "[ETHERNET_ABONENT_1]", "user_name=", "ip_adr=4294967295", "port=-1",
    ]))


def object_seeds():
    t = "fuzz_object_list"
    write(t, "objects.ini", crlf([
        "[OBJECT_LIST]", "obj_num=3", "sort_prz=0", "obj_index=2",
        "[OBJECT_1]", "contr_adr=12", "obj_name=бета",
        "[OBJECT_2]", "contr_adr=3", "obj_name=Альфа",
        "[OBJECT_3]", "contr_adr=3", "obj_name=гамма",
        "[OBJECT_4]", "contr_adr=4", "obj_name=старый",
    ]))
    write(t, "odd-values.ini", crlf([
        "[OBJECT_LIST]", "obj_num=60", "sort_prz=1", "obj_index=-1",
        "[OBJECT_1]", "contr_adr=256", "obj_name=" + "Длинное название объекта учёта газа" * 2,
        "[OBJECT_2]", "contr_adr=x", "obj_name='Кавычки'",
    ]))


# ---------------------------------------------------------------------------
# Binary settings records.

def date_value(year, month, day, hour=0, minute=0, second=0):
    """Days since 30.12.1899, the fraction being the time of day."""
    import datetime
    days = (datetime.date(year, month, day) - datetime.date(1899, 12, 30)).days
    return days + (hour * 3600 + minute * 60 + second) / 86400


def archive_query_seeds():
    t = "fuzz_archive_query"
    rec = struct.pack("<iidd", 2, 4, date_value(2024, 6, 1, 10), date_value(2024, 6, 2, 10, 30)) + bytes(50)
    write(t, "rd_arh.ini", rec)
    write(t, "short.ini", rec[:20])
    write(t, "bad-dates.ini", struct.pack("<iidd", -1, 99, math.nan, 1e300) + bytes(range(50)))


def report_format_seeds():
    t = "fuzz_report_format"
    write(t, "defaults.ini", bytes([4] * 32))
    fmt = [3, 4, 1, 2, 4, 4, 0, 2, 2, 0, 2, 2]
    digits = [3] * 20
    digits[11] = digits[16] = 2
    digits[12] = 4
    digits[13] = 2
    digits[17] = 1
    digits[18] = digits[19] = 0
    write(t, "accepted.ini", bytes(fmt + digits))
    write(t, "damaged.ini", bytes([9, 255, 8, 7, 0, 1, 2, 3, 4, 5, 6, 200] + [7] * 20) + b"tail")
    write(t, "short.ini", bytes([4] * 31))


def event_header(signature, count, first, last, chrom_type=4, moisture_type=0, address=1):
    """The 58-byte header of a saved event file."""
    name = cp("ГРС-1").ljust(20, b"\0")
    return (signature + b"\0" + name + bytes([address]) + bytes([24, 6, 2, 9, 30, 0]) + bytes(first)
            + bytes(last) + struct.pack("<I", count) + bytes([chrom_type, moisture_type, 0]) + bytes(8))


def slots(texts, widths):
    return b"".join(cp(t)[:w - 1].ljust(w, b"\0") for t, w in zip(texts, widths))


DIAG_SLOTS = (20, 20, 100, 100, 20, 20, 20)
INTERV_SLOTS = (20, 20, 100, 20, 20, 20, 5)


def diagnostic_record(date, code, first=0, second=0, value=0.0, setpoint=0.0):
    return sealed(bytes(date) + bytes([code, 0, first, second]) + struct.pack("<ff", value, setpoint) + bytes(2))


def intervention_record(date, table, field, unit, old, new, operator=b"OPER"):
    return sealed(bytes(date) + bytes([0, table, field, unit]) + old + new + operator)


def event_seeds():
    t = "fuzz_event_file"
    d = [24, 6, 1, 10, 15, 0]
    rows = [("01.06.24", "10:15:00", "Выход значения параметра за верхнюю уставку", "Метан", "96.512", "95.000", "%"),
            ("01.06.24", "10:20:00", "Нет связи с хроматографом", "", "", "", "")]
    write(t, "saved.ala", event_header(b"ALA", 2, d, [24, 6, 1, 10, 20, 0])
          + b"".join(slots(r, DIAG_SLOTS) for r in rows))
    changes = [("01.06.24", "11:00:00", "Адрес контроллера", "1", "5", "", "OPER"),
               ("01.06.24", "11:05:00", "Скорость обмена", "9600", "19200", "бит/с", "ADM")]
    write(t, "saved.aud", event_header(b"AUD", 2, d, [24, 6, 1, 11, 5, 0])
          + b"".join(slots(r, INTERV_SLOTS) for r in changes))
    write(t, "cut.aud", event_header(b"AUD", 3, d, d) + slots(changes[0], INTERV_SLOTS))
    write(t, "foreign-type.ala", event_header(b"ALA", 1, d, d, chrom_type=3) + slots(rows[0], DIAG_SLOTS))
    # Raw records behind a flags byte: bit 0 seals them, bit 1 names Windows-1251,
    # the rest is the moisture-meter type.
    recs = [diagnostic_record(d, code, code % 40, code % 20, 12.5 * code, 10.0) for code in range(0, 90, 7)]
    write(t, "raw-diagnostics", bytes([0x09]) + b"".join(recs))
    recs = [intervention_record(d, table, 0, table % 5, struct.pack("<f", 1.5), struct.pack("<f", 2.5))
            for table in (2, 3, 5, 6, 9, 14, 15, 22, 26, 28, 29)]
    write(t, "raw-interventions", bytes([0x01]) + b"".join(recs))
    write(t, "raw-damaged", bytes([0x00]) + b"".join(recs[:3]))


# ---------------------------------------------------------------------------
# Configuration files: the 2603-byte record, the flow computers' passwords
# stored as (4 - b) mod 256.

# Default values of the five limits (ЗН, НПУ, ВПУ, НДП, ВДП) of gas
# parameters 0..17; parameters 18 and 19 have none (0).
LIMIT_DEFAULTS = [
    (0.01, 0.002, 0.6, 0.001, 0.6), (0.05, 0.05, 6, 0.01, 6), (0.01, 0.002, 1.2, 0.001, 1.2),
    (0.01, 0.002, 1.2, 0.001, 1.2), (0.01, 0.0002, 1.2, 0.0001, 1.2), (0.01, 0.0002, 1.2, 0.0001, 1.2),
    (0.01, 0.0002, 1.2, 0.0001, 1.2), (0.05, 0.2, 12, 0, 18), (5, 95, 100, 90, 100),
    (0.05, 0.01, 8, 0, 12), (0.05, 0.1, 10, 0.01, 12), (5, 36, 45, 35, 45), (0.0001, 0.67, 1, 0.66, 1.05),
    (5, 45, 55, 40, 55), (0.01, 0.002, 0.6, 0.001, 0.6), (0.01, 0.0002, 1.2, 0.0001, 1.2),
    (4, 32, 40, 30, 40), (0.01, -50, 60, -50, 60),
]


def config_record(users=(), flow_computers=()):
    """The record of a new configuration, with users (name, level, password,
    code) and flow computers (address, type, pipelines flag, byte order,
    password) put in."""
    r = bytearray(2603)
    r[2], r[4] = 73, 10
    r[29:49] = b" " * 20

    def put(offset, values):
        r[offset:offset + len(values)] = bytes(values)

    put(69, [1, 11, 3, 0])
    put(173, [3, 201, 3, 10, 201, 4, 9, 1, 1, 1, 0, 0])
    put(285, [1, 11, 0, 0, 150, 5, 4, 0])
    put(343, [1, 11, 0, 0, 150, 5, 0, 0])
    put(2395, [1, 11, 5, 20, 3, 1, 0, 1])
    for i in range(16):
        r[405 + 20 * i:421 + 20 * i] = b" " * 16
    for u in range(16):
        r[1943 + 22 * u:1965 + 22 * u] = b" " * 4 + b"\0\0" + b" " * 16
    for p in (7, 9, 12):
        r[821 + p] = 1
    for kind in range(5):
        for p, defaults in enumerate(LIMIT_DEFAULTS):
            r[941 + 180 * kind + 4 * p:945 + 180 * kind + 4 * p] = struct.pack("<f", defaults[kind])
    r[1841] = 1
    for u, (name, level, password, code) in enumerate(users):
        r[1943 + 22 * u:1965 + 22 * u] = (name.ljust(4) + bytes([level, 0]) + password.ljust(12) + code.ljust(4))
    if flow_computers:
        r[2395] = len(flow_computers)
    for i, (address, kind, pipelines, order, password) in enumerate(flow_computers):
        r[401 + 20 * i:421 + 20 * i] = bytes([address, kind, pipelines, order]) + password.ljust(16)
    return r


def config_file(record):
    stored = bytearray(record)
    for i in range(16):
        for b in range(405 + 20 * i, 421 + 20 * i):
            stored[b] = (4 - stored[b]) % 256
    return bytes(stored)


def config_seeds():
    t = "fuzz_config_file"
    engineer = (cp("НАЛ"), 1, b"12345678", b"1234")
    sound = config_record(users=[engineer, (b"ADM", 2, b"a", b"11"), (b"OPER", 4, b"o", b"44")],
                          flow_computers=[(10, 1, 1, 0, b"secret"), (11, 0, 0, 1, b"")])
    sound[29:49] = cp("ГРС-1").ljust(20)
    write(t, "default.cnf", config_file(config_record()))
    write(t, "sound.cnf", config_file(sound))
    write(t, "short.cnf", config_file(sound)[:400])
    write(t, "foreign.cnf", crlf(["[Settings]", "Conn_Prz=2"]))
    version14 = bytearray(sound)
    version14[4] = 14
    write(t, "version14.cnf", config_file(version14))
    # Damaged: two commissioning engineers, a chromatograph at address 0, a
    # second flow computer without an address.
    damaged = bytearray(sound)
    damaged[1943 + 22 * 3:1965 + 22 * 3] = b"SEC " + bytes([1, 0]) + b"1".ljust(12) + b"9   "
    damaged[285] = 0
    damaged[421] = 0
    write(t, "damaged.cnf", config_file(damaged))


if __name__ == "__main__":
    measurement_seeds()
    profile_seeds()
    main_settings_seeds()
    subscriber_seeds()
    object_seeds()
    archive_query_seeds()
    report_format_seeds()
    event_seeds()
    config_seeds()
