// Language texts for display: the table keeps the file's bytes, and they are
// decoded here with the code page of the language in force.
#include "lang/Language.h"
#include "shared/Publicunit.h"

#include <QRegularExpression>
#include <QStringDecoder>

namespace {

// Windows-1252 differs from Latin-1 only in 0x80..0x9F. Used when the
// toolkit has no converter for it, so English texts always display.
const char16_t kCp1252High[32] = {
    0x20AC, 0xFFFD, 0x201A, 0x0192, 0x201E, 0x2026, 0x2020, 0x2021, 0x02C6, 0x2030, 0x0160,
    0x2039, 0x0152, 0xFFFD, 0x017D, 0xFFFD, 0xFFFD, 0x2018, 0x2019, 0x201C, 0x201D, 0x2022,
    0x2013, 0x2014, 0x02DC, 0x2122, 0x0161, 0x203A, 0x0153, 0xFFFD, 0x017E, 0x0178,
};

QString DecodeCp1252(const char* data, qsizetype size) {
    QString out;
    out.reserve(size);
    for (qsizetype i = 0; i < size; ++i) {
        auto b = static_cast<unsigned char>(data[i]);
        out.append(b >= 0x80 && b < 0xA0 ? QChar(kCp1252High[b - 0x80]) : QChar(b));
    }
    return out;
}

} // namespace

const char* GetLangText(int32_t id) {
    return LookupLangText(id);
}

QString DecodeText(const std::string& bytes) {
    const char* name = CodePageName();
    QStringDecoder decoder(name);
    const auto size = static_cast<qsizetype>(bytes.size());
    if (decoder.isValid()) return decoder.decode(QByteArrayView(bytes.data(), size));
    // Without a converter for a Chinese code page there is no faithful
    // display; Windows-1252 keeps at least the ASCII parts readable.
    return DecodeCp1252(bytes.data(), size);
}

QString LangText(int32_t id) {
    return DecodeText(std::string(GetLangText(id)));
}

QString WithoutMnemonic(const QString& caption) {
    // The Chinese files write the marker as "(&X)" after the text.
    static const QRegularExpression bracketed(QStringLiteral("[(\\x{FF08}]&[^&][)\\x{FF09}]"));
    QString text = caption;
    text.remove(bracketed);
    QString plain;
    plain.reserve(text.size());
    for (qsizetype i = 0; i < text.size(); ++i) {
        if (text[i] == QLatin1Char('&') && i + 1 < text.size()) ++i; // "&&" keeps one
        plain += text[i];
    }
    return plain;
}

QString LangPlain(int32_t id) {
    return WithoutMnemonic(LangText(id));
}

QString LangLines(int32_t first, int32_t second) {
    return DecodeText(std::string(GetLangText(first)) + "\n" + GetLangText(second));
}
