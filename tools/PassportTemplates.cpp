// Makes the two passport template workbooks, "day_report_title_v10.xlsx" and
// "mon_report_title_v10.xlsx": the headings, labels, merged cells, borders and
// number formats of a daily and a monthly gas-quality passport. The program
// fills copies of them cell by cell and keeps everything else.
//
//   passport_templates OUTDIR...   writes both templates into every OUTDIR
//
// Rows and columns (1-based) agree with src/reports/PassportSheet.h: the
// object name in G2:AB2, the period line from V4, column headings in rows
// 6..9, the daily rows 10..33 with the averages in row 34, the monthly day
// rows 10..40 (day d in row 9 + d) with the averages in row 41.

#include <xlsxwriter.h>

#include <cstdio>
#include <string>

namespace {

constexpr int Columns = 28;

struct Looks {
    lxw_format* title;
    lxw_format* label;
    lxw_format* object;
    lxw_format* period;
    lxw_format* heading;
    lxw_format* number;   // column numbers of row 9
    lxw_format* date;     // daily column 1: text
    lxw_format* day;      // monthly column 1: the day of the month
    lxw_format* value;    // data cells
    lxw_format* averageLabel;
    lxw_format* average;
    lxw_format* signature;
};

lxw_format* Bordered(lxw_workbook* book, bool bold, double size) {
    lxw_format* f = workbook_add_format(book);
    format_set_font_name(f, "Times New Roman");
    format_set_font_size(f, size);
    if (bold) format_set_bold(f);
    format_set_border(f, LXW_BORDER_THIN);
    format_set_align(f, LXW_ALIGN_CENTER);
    format_set_align(f, LXW_ALIGN_VERTICAL_CENTER);
    return f;
}

Looks MakeLooks(lxw_workbook* book) {
    Looks l{};
    l.title = workbook_add_format(book);
    format_set_font_name(l.title, "Times New Roman");
    format_set_font_size(l.title, 14);
    format_set_bold(l.title);
    format_set_align(l.title, LXW_ALIGN_CENTER);
    l.label = workbook_add_format(book);
    format_set_font_name(l.label, "Times New Roman");
    format_set_font_size(l.label, 11);
    format_set_align(l.label, LXW_ALIGN_RIGHT);
    l.object = workbook_add_format(book);
    format_set_font_name(l.object, "Times New Roman");
    format_set_font_size(l.object, 12);
    format_set_bold(l.object);
    format_set_bottom(l.object, LXW_BORDER_THIN);
    format_set_align(l.object, LXW_ALIGN_LEFT);
    l.period = workbook_add_format(book);
    format_set_font_name(l.period, "Times New Roman");
    format_set_font_size(l.period, 11);
    format_set_align(l.period, LXW_ALIGN_LEFT);
    l.heading = Bordered(book, true, 9);
    format_set_text_wrap(l.heading);
    format_set_bg_color(l.heading, 0xC0C0C0);
    l.number = Bordered(book, false, 8);
    format_set_bg_color(l.number, 0xC0C0C0);
    l.date = Bordered(book, false, 9);
    format_set_num_format(l.date, "@");
    l.day = Bordered(book, false, 9);
    format_set_num_format(l.day, "0");
    l.value = Bordered(book, false, 9);
    format_set_num_format(l.value, "General");
    l.averageLabel = Bordered(book, true, 9);
    format_set_bg_color(l.averageLabel, 0xC0C0C0);
    l.average = Bordered(book, true, 9);
    format_set_num_format(l.average, "General");
    l.signature = workbook_add_format(book);
    format_set_font_name(l.signature, "Times New Roman");
    format_set_font_size(l.signature, 11);
    return l;
}

void Merge(lxw_worksheet* s, int row1, int col1, int row2, int col2, const char* text, lxw_format* f) {
    worksheet_merge_range(s, lxw_row_t(row1 - 1), lxw_col_t(col1 - 1), lxw_row_t(row2 - 1), lxw_col_t(col2 - 1), text, f);
}
void Put(lxw_worksheet* s, int row, int col, const char* text, lxw_format* f) {
    worksheet_write_string(s, lxw_row_t(row - 1), lxw_col_t(col - 1), text, f);
}
void Blank(lxw_worksheet* s, int row, int col, lxw_format* f) {
    worksheet_write_blank(s, lxw_row_t(row - 1), lxw_col_t(col - 1), f);
}

// Rows 6..9: the column headings and the column numbers.
void Headings(lxw_worksheet* s, const Looks& l, bool daily) {
    Merge(s, 6, 1, 8, 1, daily ? "Дата, час" : "День", l.heading);
    Merge(s, 6, 2, 6, 13, "Компонентный состав газа, % мол.", l.heading);
    const char* components[12] = {"CH4",     "C2H6",    "C3H8", "i-C4H10", "n-C4H10", "neo-C5H12",
                                  "i-C5H12", "n-C5H12", "C6+",  "O2",      "N2",      "CO2"};
    for (int i = 0; i < 12; ++i) Merge(s, 7, 2 + i, 8, 2 + i, components[i], l.heading);
    Merge(s, 6, 14, 8, 14, "Плотность, кг/м3", l.heading);
    const char* heats[3] = {"Низшая теплота сгорания", "Высшая теплота сгорания", "Число Воббе"};
    const char* units[3] = {"ккал/м3", "МДж/м3", "кВт-год/м3"};
    for (int h = 0; h < 3; ++h) {
        Merge(s, 6, 15 + 3 * h, 7, 17 + 3 * h, heats[h], l.heading);
        for (int u = 0; u < 3; ++u) Put(s, 8, 15 + 3 * h + u, units[u], l.heading);
    }
    Merge(s, 6, 24, 6, 27, "Влагомер", l.heading);
    const char* moisture[4] = {"Точка росы по воде, °C", "Точка росы по воде приведенная, °C",
                               "Точка росы по углеводородам, °C", "Давление, кгс/см2"};
    for (int i = 0; i < 4; ++i) Merge(s, 7, 24 + i, 8, 24 + i, moisture[i], l.heading);
    Merge(s, 6, 28, 8, 28, "Температура газа, °C", l.heading);
    for (int c = 1; c <= Columns; ++c) worksheet_write_number(s, 8, lxw_col_t(c - 1), c, l.number);
    worksheet_set_row(s, 6, 30, nullptr);
    worksheet_set_row(s, 7, 42, nullptr);
}

bool MakeTemplate(const std::string& path, bool daily) {
    lxw_workbook* book = workbook_new(path.c_str());
    if (!book) return false;
    lxw_worksheet* s = workbook_add_worksheet(book, daily ? "Паспорт за сутки" : "Паспорт за месяц");
    const Looks l = MakeLooks(book);

    worksheet_set_column(s, 0, 0, daily ? 15 : 6, nullptr);
    worksheet_set_column(s, 1, 12, 8, nullptr);
    worksheet_set_column(s, 13, 27, 10, nullptr);
    worksheet_set_landscape(s);
    worksheet_fit_to_pages(s, 1, 1);

    Merge(s, 1, 1, 1, Columns, daily ? "ПАСПОРТ ЗМК ПОКАЗАТЕЛЕЙ ЗА СУТКИ" : "ПАСПОРТ ЗМК ПОКАЗАТЕЛЕЙ ЗА МЕСЯЦ", l.title);
    Merge(s, 2, 1, 2, 6, "Объект:", l.label);
    Merge(s, 2, 7, 2, Columns, "", l.object);
    Merge(s, 4, 1, 4, 21, daily ? "Показатели качества газа за газовые сутки" : "Показатели качества газа за месяц",
          l.label);
    Merge(s, 4, 22, 4, Columns, "", l.period);
    Headings(s, l, daily);

    const int firstRow = 10;
    const int rows = daily ? 24 : 31;
    for (int r = 0; r < rows; ++r) {
        const int row = firstRow + r;
        if (daily)
            Blank(s, row, 1, l.date);
        else
            worksheet_write_number(s, lxw_row_t(row - 1), 0, r + 1, l.day);
        for (int c = 2; c <= Columns; ++c) Blank(s, row, c, l.value);
    }
    const int averages = firstRow + rows;
    Put(s, averages, 1, "Среднее", l.averageLabel);
    for (int c = 2; c <= Columns; ++c) Blank(s, averages, c, l.average);
    Put(s, averages + 2, 2, "Ответственное лицо  ____________________  ____________________", l.signature);

    return workbook_close(book) == LXW_NO_ERROR;
}

}  // namespace

int main(int argc, char** argv) {
    if (argc < 2) {
        std::fprintf(stderr, "usage: passport_templates OUTDIR...\n");
        return 2;
    }
    for (int i = 1; i < argc; ++i) {
        const std::string dir = argv[i];
        for (bool daily : {true, false}) {
            const std::string path = dir + (daily ? "/day_report_title_v10.xlsx" : "/mon_report_title_v10.xlsx");
            if (!MakeTemplate(path, daily)) {
                std::fprintf(stderr, "passport_templates: cannot write %s\n", path.c_str());
                return 1;
            }
        }
    }
    return 0;
}
