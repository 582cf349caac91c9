#include "cli/CommandHelp.h"

#include "cli/CommandTable.h"

#include <QRegularExpression>
#include <QStringList>

namespace wtb::cli {

namespace {

constexpr qsizetype kHelpWidth = 94;
constexpr qsizetype kHelpIndent = 23;
constexpr const char* kProgram = "wavetable-builder";

// `text` broken into lines of at most `width` characters at spaces, its first word at
// `firstColumn`, each line after the first indented by `indent` spaces.
std::string wrapped(const QString& text, qsizetype firstColumn, qsizetype indent, qsizetype width) {
    QString lines;
    qsizetype column = firstColumn;
    bool first = true;
    for (const QString& word : text.split(u' ', Qt::SkipEmptyParts)) {
        if (!first && column + 1 + word.size() > width) {
            lines += u'\n' + QString(indent, u' ');
            column = indent;
        } else if (!first) {
            lines += u' ';
            ++column;
        }
        lines += word;
        column += word.size();
        first = false;
    }
    return lines.toStdString();
}

// A usage wrapped only between its words and bracketed options, never inside "[--x VALUE]".
std::string keptTogether(const QString& usage, qsizetype firstColumn) {
    constexpr QChar kJoin = QChar(0x00A0);
    QString joined = usage;
    bool inBracket = false;
    for (QChar& character : joined) {
        inBracket = (inBracket || character == u'[') && character != u']';
        if (inBracket && character == u' ') {
            character = kJoin;
        }
    }
    return QString::fromStdString(wrapped(joined, firstColumn, kHelpIndent, kHelpWidth))
        .replace(kJoin, u' ')
        .toStdString();
}

QString formLine(const CommandEntry& entry, const CommandForm& form) {
    QString line = entry.name();
    if (*form.usage != '\0') {
        line += u' ' + QString::fromUtf8(form.usage);
    }
    return line;
}

// "export --player" for the form of export with --player: the name and what comes before the
// form's first bracket.
QString formHeading(const CommandEntry& entry, const CommandForm& form) {
    const QString line = formLine(entry, form);
    const qsizetype optionAt = line.indexOf(u'[');
    return (optionAt < 0 ? line : line.left(optionAt)).trimmed();
}

constexpr const char* kIntroduction =
    "Without a command the window opens. Each command works on the working folder's sixteen "
    "slots, through the same operations as the window, and saves the folder when it changed a "
    "slot. SLOT is a number from 1 to 16.";

constexpr const char* kExitStatus =
    "Exit status: 0 done, 1 the operation failed (nothing was changed), 2 a usage error.";

// roff: a backslash and a dash escaped, a placeholder in italics, an option or a literal word
// of a usage in bold.
QString roffEscaped(QString text) {
    return text.replace(u'\\', QLatin1String("\\e")).replace(u'-', QLatin1String("\\-"));
}

// The placeholders of the usages and the options' values, as in "SLOT", "FILE...", "HZ".
const QStringList& placeholders() {
    static const QStringList all = [] {
        static const QRegularExpression word(QStringLiteral("[A-Z]+(\\.\\.\\.)?"));
        QStringList found;
        for (const CommandEntry& entry : commandTable()) {
            for (const CommandForm& form : entry.forms) {
                for (auto match = word.globalMatch(QString::fromUtf8(form.usage));
                     match.hasNext();) {
                    const QString name = match.next().captured();
                    found << name << (name.endsWith(QLatin1String("...")) ? name.chopped(3) : name);
                }
            }
        }
        return found;
    }();
    return all;
}

QString roffWord(const QString& word, bool inUsage) {
    static const QRegularExpression option(QStringLiteral("^--?[a-z][a-z-]*$"));
    const QString escaped = roffEscaped(word);
    if (placeholders().contains(word)) {
        return QStringLiteral("\\fI%1\\fR").arg(escaped);
    }
    if (option.match(word).hasMatch() || (inUsage && !word.isEmpty() && word[0].isLower())) {
        return QStringLiteral("\\fB%1\\fR").arg(escaped);
    }
    return escaped;
}

// Each word of `text` marked up, the marks and brackets around it left plain.
QString roffText(const QString& text, bool inUsage) {
    static const QRegularExpression word(
        QStringLiteral("[A-Za-z0-9][A-Za-z0-9.-]*|--?[a-z][a-z-]*"));
    QString marked;
    qsizetype done = 0;
    for (auto match = word.globalMatch(text); match.hasNext();) {
        const QRegularExpressionMatch next = match.next();
        QString token = next.captured();
        while (token.endsWith(u'.') && !token.endsWith(QLatin1String("..."))) {
            token.chop(1); // a full stop ends the sentence, not the word
        }
        marked += roffEscaped(text.mid(done, next.capturedStart() - done));
        marked += roffWord(token, inUsage);
        done = next.capturedStart() + token.size();
    }
    return marked + roffEscaped(text.mid(done));
}

} // namespace

std::string synopsisText() {
    std::string text = std::string("Usage: ") + kProgram + " [--folder DIR]\n";
    for (const CommandEntry& entry : commandTable()) {
        for (const CommandForm& form : entry.forms) {
            const QString start =
                QStringLiteral("       %1 %2")
                    .arg(QLatin1String(kProgram), entry.works == Works::OnAFolder
                                                      ? QStringLiteral("[--folder DIR] ")
                                                      : QString());
            text += start.toStdString() + keptTogether(formLine(entry, form), start.size()) + "\n";
        }
    }
    return text + "       " + kProgram + " --help | --version\n";
}

std::string helpText(const std::string& optionsHelp) {
    std::string text = synopsisText() + "\n" +
                       wrapped(QLatin1String(kIntroduction), 0, 0, kHelpWidth) + "\n\nCommands:\n";
    for (const CommandEntry& entry : commandTable()) {
        for (const CommandForm& form : entry.forms) {
            const QString heading = QStringLiteral("  ") + formHeading(entry, form);
            text += heading.toStdString();
            qsizetype column = heading.size();
            if (column + 1 > kHelpIndent) {
                text += "\n";
                column = 0;
            }
            text += std::string(static_cast<std::size_t>(kHelpIndent - column), ' ') +
                    wrapped(QString::fromUtf8(form.help), kHelpIndent, kHelpIndent, kHelpWidth) +
                    "\n";
        }
    }
    return text + "\n" + kExitStatus + "\n\n" + optionsHelp;
}

std::string optionHelp(const OptionEntry& option) {
    QStringList takers;
    for (const CommandEntry& entry : commandTable()) {
        if (entry.takes(option.id)) {
            takers << entry.name();
        }
    }
    return (takers.join(QStringLiteral(", ")) + QStringLiteral(": ") + option.help).toStdString();
}

std::string manualCommandsText() {
    QString roff;
    for (const CommandEntry& entry : commandTable()) {
        for (const CommandForm& form : entry.forms) {
            roff += QStringLiteral(".TP\n%1\n%2\n")
                        .arg(roffText(formLine(entry, form), true),
                             roffText(QString::fromUtf8(form.help), false));
        }
    }
    return roff.toStdString();
}

} // namespace wtb::cli
