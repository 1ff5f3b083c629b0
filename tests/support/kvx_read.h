#pragma once

#include <QFile>
#include <QStringList>

#include "formats/kvx_file.h"

// The addresses of a list file, read with the format's own parser.
inline QStringList KvxAddresses(const QString& path, kvx::File* whole = nullptr)
{
    QFile f(path);
    if (!f.open(QIODevice::ReadOnly))
        return {QStringLiteral("<cannot open>")};
    const QByteArray bytes = f.readAll();
    kvx::File file = kvx::Parse(std::string_view(bytes.constData(), static_cast<size_t>(bytes.size())));
    QStringList out;
    for (const kvx::Record& r : file.records)
        out.append(QString::fromStdString(r.address));
    if (whole)
        *whole = std::move(file);
    return out;
}
