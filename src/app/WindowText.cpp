#include "WindowText.h"

#include <algorithm>

#include "SjisConvert.h"

std::string ToSjis(const QString& text)
{
    const QByteArray utf8 = text.toUtf8();
    return SjisFromUtf8(std::string_view(utf8.constData(), static_cast<std::size_t>(utf8.size())));
}

QString FromSjis(std::string_view sjis)
{
    const std::string utf8 = Utf8FromSjis(sjis);
    return QString::fromUtf8(utf8.data(), static_cast<qsizetype>(utf8.size()));
}

QStringList FromSjisLines(const TResultLines& lines)
{
    // One conversion for the whole list instead of one per line: a search can list thousands of
    // lines and each conversion has a fixed cost. LF never occurs in a line read from the data file
    // and survives the conversion as itself, so it separates the lines safely.
    const bool joinable = std::none_of(lines.begin(), lines.end(),
                                       [](std::string_view line) { return line.find('\n') != std::string_view::npos; });
    if (joinable && !lines.empty()) {
        std::string joined;
        std::size_t size = 0;
        for (const std::string_view line : lines) size += line.size() + 1;
        joined.reserve(size);
        for (const std::string_view line : lines) {
            joined += line;
            joined += '\n';
        }
        joined.pop_back();
        QStringList shown = FromSjis(joined).split(QLatin1Char('\n'));
        if (static_cast<std::size_t>(shown.size()) == lines.size()) return shown;
    }
    QStringList shown;
    shown.reserve(static_cast<qsizetype>(lines.size()));
    for (const std::string_view line : lines) shown.append(FromSjis(line));
    return shown;
}
