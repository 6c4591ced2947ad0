#include "common/OrganisationName.h"

#include <QFile>
#include <algorithm>

#include "common/CheckedFile.h"
#include "common/Cp1251.h"
#include "common/Folders.h"

namespace zmk {

QString ReadOrganisationName(const QString& path) {
    QFile file(path);
    if (!file.open(QIODevice::ReadOnly)) return {};
    QByteArray bytes = file.read(OrganisationNameLength);
    const qsizetype end = bytes.indexOf('\0');
    if (end >= 0) bytes.truncate(end);
    std::replace_if(bytes.begin(), bytes.end(), [](char c) { return uint8_t(c) < 0x20 || c == 0x7F; }, ' ');
    return FromCp1251(bytes);
}

QString ReadOrganisationName() { return ReadOrganisationName(TitlePath()); }

bool WriteOrganisationName(const QString& name, const QString& path) {
    QByteArray bytes = ToCp1251(name.left(OrganisationNameLength)).left(OrganisationNameLength);
    bytes.append(OrganisationNameLength - bytes.size(), '\0');
    return WriteFileChecked(path, bytes);
}

bool WriteOrganisationName(const QString& name) { return WriteOrganisationName(name, TitlePath()); }

}  // namespace zmk
