#include "window/Readouts.h"

#include "workspace/Session.h"

#include <QFontMetricsF>
#include <QLabel>
#include <QStringList>

#include <algorithm>

namespace wtb {

namespace {

// A readout keeps what makeReadout() gave it on the label itself, so the window needs no table.
constexpr char kTitle[] = "wtbReadoutTitle";
constexpr char kMeaning[] = "wtbReadoutMeaning";
constexpr char kFont[] = "wtbReadoutFont";

constexpr qreal kSmallestPoints = 6.0;
constexpr qreal kPointStep = 0.5;

QStringList linesOf(const QString& text) {
    QString plain = text;
    plain.remove(QLatin1Char('\r'));
    return plain.split(QLatin1Char('\n'));
}

qreal widestLine(const QFont& font, const QStringList& lines) {
    const QFontMetricsF metrics(font);
    qreal widest = 0;
    for (const QString& line : lines) {
        widest = std::max(widest, metrics.horizontalAdvance(line));
    }
    return widest;
}

// The largest size of `base`'s face, in steps of half a point down to the floor, at which
// every line fits `width`. When none does, `base` itself: a text cut short anyway is best read
// at the size of its neighbours.
QFont fittingFont(const QFont& base, const QStringList& lines, qreal width) {
    QFont font = base;
    for (qreal points = base.pointSizeF(); points >= kSmallestPoints; points -= kPointStep) {
        font.setPointSizeF(points);
        if (widestLine(font, lines) <= width) {
            return font;
        }
    }
    return base;
}

} // namespace

QString plainToolTip(const QString& text) {
    QString html = text.toHtmlEscaped();
    html.replace(QStringLiteral("\r\n"), QStringLiteral("<br>"));
    html.replace(QLatin1Char('\n'), QStringLiteral("<br>"));
    return QStringLiteral("<p style=\"white-space:pre\">") + html + QStringLiteral("</p>");
}

void makeReadout(QLabel& label, const QString& title, const QString& meaning) {
    label.setProperty(kTitle, title);
    label.setProperty(kMeaning, meaning);
    label.setProperty(kFont, label.font());
    showReadout(label, label.text());
}

void showReadout(QLabel& label, const QString& text, const QString& detail) {
    const QString title = label.property(kTitle).toString();
    const QString meaning = label.property(kMeaning).toString();
    const QFont base = label.property(kFont).value<QFont>();
    const QStringList lines = linesOf(text);

    label.setFont(fittingFont(base, lines, label.contentsRect().width()));
    label.setText(text);
    const QString oneLine = lines.join(QLatin1Char(' ')).simplified();
    label.setAccessibleName(oneLine.isEmpty() ? title : title + QStringLiteral(": ") + oneLine);
    QString tip = text.isEmpty() ? meaning : meaning + QLatin1Char('\n') + lines.join('\n');
    if (!detail.isEmpty()) {
        tip += QLatin1Char('\n') + detail;
    }
    label.setToolTip(plainToolTip(tip));
    label.setAccessibleDescription(detail);
}

QString durationText(std::int64_t samples, std::int32_t rate) {
    return durationText(playingMilliseconds(samples, rate));
}

QString durationText(std::optional<std::int64_t> milliseconds) {
    if (!milliseconds) {
        return {};
    }
    const std::int64_t ms = *milliseconds;
    const QString millis = QStringLiteral("%1").arg(ms % 1000, 3, 10, QLatin1Char('0'));
    if (ms < 60'000) {
        return QStringLiteral("%1.%2 s").arg(ms / 1000).arg(millis);
    }
    return QStringLiteral("%1:%2.%3")
        .arg(ms / 60'000)
        .arg(ms / 1000 % 60, 2, 10, QLatin1Char('0'))
        .arg(millis);
}

} // namespace wtb
