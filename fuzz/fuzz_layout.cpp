// Layout XML: parsed into a LayoutNode tree, with one small file available for <Include>.
#include <QByteArray>
#include <QString>

#include <cstddef>
#include <cstdint>
#include <optional>

#include "ui/layout.h"

namespace {

std::optional<QByteArray> ReadIncluded(const QString& path, QString* error) {
    if (path == QLatin1String("xml/inc.xml")) {
        return QByteArray(
            "<Layout>\n"
            "  <Label name=\"l\" pos=\"0,0,10,10\" text=\"x\"/>\n"
            "  <Button name=\"b\" pos=\"10,0,10,10\"/>\n"
            "</Layout>\n");
    }
    *error = path + QLatin1String(": not in the skin");
    return std::nullopt;
}

}  // namespace

extern "C" int LLVMFuzzerTestOneInput(const uint8_t* data, size_t size) {
    const QByteArray xml(reinterpret_cast<const char*>(data), static_cast<qsizetype>(size));
    QString error;
    (void)ui::ParseLayout(xml, QStringLiteral("xml/t.xml"), ReadIncluded, &error);
    return 0;
}
