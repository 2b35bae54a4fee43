#include "reports/rtfreader.h"

#include "engine/codepage.h"

#include <QHash>
#include <QTextCursor>
#include <QTextDocument>
#include <algorithm>
#include <vector>

namespace quenlark {

namespace {

enum class Destination { Text, FontTable, Skip };

struct RunFormat {
    int font = -1; // -1: the document's default font
    int halfPoints = 24;
    bool bold = false;
    bool italic = false;
    bool underline = false;
    bool strike = false;
    bool operator==(const RunFormat&) const = default;
};

struct State {
    RunFormat run;
    Qt::Alignment align = Qt::AlignLeft;
    Destination dest = Destination::Text;
    int unicodeSkip = 1; // \uc: fallback characters after \uN
};

// Destinations whose content is not part of the shown text.
bool isSkippedDestination(const QByteArray& word) {
    static const QByteArray kSkipped[] = {
        "colortbl",     "stylesheet", "info",     "pict",       "object",    "header",
        "headerl",      "headerr",    "headerf",  "footer",     "footerl",   "footerr",
        "footerf",      "footnote",   "fldinst",  "xmlnstbl",   "listtable", "listoverridetable",
        "rsidtbl",      "revtbl",     "filetbl",  "generator",  "themedata", "colorschememapping",
        "latentstyles", "datastore",  "pgdsctbl", "nonshppict", "private",   "annotation",
        "atnid",        "atnauthor",  "comment",  "keywords",
    };
    return std::find(std::begin(kSkipped), std::end(kSkipped), word) != std::end(kSkipped);
}

class RtfReader {
public:
    RtfReader(const QByteArray& in, QTextDocument& document) : in_(in), cursor_(&document) {}

    void run(qsizetype start) {
        pos_ = start;
        while (pos_ < in_.size() && !finished_) {
            const char c = in_[pos_++];
            switch (c) {
            case '{':
                openGroup();
                break;
            case '}':
                closeGroup();
                break;
            case '\\':
                controlWord();
                break;
            case '\r':
            case '\n':
            case '\0':
                break;
            default:
                character(Cp1252ToUnicode(static_cast<unsigned char>(c)));
            }
        }
        if (!finished_)
            finish();
    }

private:
    void openGroup() {
        stack_.push_back(state_);
        skipPending_ = 0;
    }

    void closeGroup() {
        skipPending_ = 0;
        if (state_.dest == Destination::FontTable && fontNumber_ >= 0 && !fontName_.isEmpty())
            storeFontName();
        if (stack_.size() <= 1) {
            // The document's own group ends: its last paragraph keeps the formatting
            // in force inside it.
            finish();
            return;
        }
        state_ = stack_.back();
        stack_.pop_back();
    }

    void controlWord() {
        if (pos_ >= in_.size())
            return;
        const char c = in_[pos_];
        if (!isLetter(c)) {
            ++pos_;
            controlSymbol(c);
            return;
        }
        const qsizetype wordStart = pos_;
        while (pos_ < in_.size() && isLetter(in_[pos_]))
            ++pos_;
        const QByteArray word = in_.mid(wordStart, pos_ - wordStart);
        bool hasParam = false;
        bool negative = false;
        qint64 param = 0;
        if (pos_ < in_.size() && in_[pos_] == '-' && pos_ + 1 < in_.size() &&
            isDigit(in_[pos_ + 1])) {
            negative = true;
            ++pos_;
        }
        while (pos_ < in_.size() && isDigit(in_[pos_])) {
            hasParam = true;
            if (param < 100000000000LL)
                param = param * 10 + (in_[pos_] - '0');
            ++pos_;
        }
        if (pos_ < in_.size() && in_[pos_] == ' ')
            ++pos_;
        const int value =
            int(std::clamp<qint64>(negative ? -param : param, -2147483647LL, 2147483647LL));
        if (word == "bin") {
            // Raw bytes follow; they are never text that is shown.
            pos_ = std::min<qint64>(in_.size(), pos_ + std::max(0, value));
            return;
        }
        if (skipPending_ > 0) {
            --skipPending_;
            return;
        }
        apply(word, hasParam, value);
    }

    void controlSymbol(char c) {
        switch (c) {
        case '\'': {
            const int high = pos_ < in_.size() ? hexValue(in_[pos_]) : -1;
            const int low = pos_ + 1 < in_.size() ? hexValue(in_[pos_ + 1]) : -1;
            if (high < 0 || low < 0) {
                // A broken escape stands for nothing.
                pos_ += high >= 0 ? 1 : 0;
                return;
            }
            pos_ += 2;
            const int byte = high * 16 + low;
            character(Cp1252ToUnicode(static_cast<unsigned char>(byte)));
            return;
        }
        case '*':
            // An optional destination: none of them is shown.
            state_.dest = Destination::Skip;
            return;
        case '\r':
        case '\n':
            if (!takeSkipped())
                paragraph();
            return;
        case '~':
            character(0x00A0);
            return;
        case '_':
            character(0x2011);
            return;
        case '-':
            character(0x00AD);
            return;
        case '\\':
        case '{':
        case '}':
            character(char32_t(c));
            return;
        default:
            takeSkipped();
        }
    }

    void apply(const QByteArray& word, bool hasParam, int value) {
        const bool on = !hasParam || value != 0;
        RunFormat& run = state_.run;
        if (word == "par" || word == "sect" || word == "row")
            paragraph();
        else if (word == "line")
            character(0x2028);
        else if (word == "tab" || word == "cell")
            character('\t');
        else if (word == "b")
            run.bold = on;
        else if (word == "i")
            run.italic = on;
        else if (word == "ul")
            run.underline = on;
        else if (word == "ulnone")
            run.underline = false;
        else if (word == "strike")
            run.strike = on;
        else if (word == "fs")
            run.halfPoints = hasParam && value > 0 ? std::min(value, 3276) : 24;
        else if (word == "f") {
            if (state_.dest == Destination::FontTable) {
                if (fontNumber_ >= 0 && !fontName_.isEmpty())
                    storeFontName();
                fontNumber_ = value;
                fontName_.clear();
            } else {
                run.font = value;
            }
        } else if (word == "deff")
            defaultFont_ = value;
        else if (word == "plain")
            run = RunFormat{};
        else if (word == "pard")
            state_.align = Qt::AlignLeft;
        else if (word == "ql")
            state_.align = Qt::AlignLeft;
        else if (word == "qc")
            state_.align = Qt::AlignHCenter;
        else if (word == "qr")
            state_.align = Qt::AlignRight;
        else if (word == "qj")
            state_.align = Qt::AlignJustify;
        else if (word == "uc")
            state_.unicodeSkip = std::clamp(value, 0, 16);
        else if (word == "u") {
            character(char32_t(value < 0 ? value + 65536 : value) & 0xFFFF);
            skipPending_ = state_.unicodeSkip;
        } else if (word == "emdash")
            character(0x2014);
        else if (word == "endash")
            character(0x2013);
        else if (word == "bullet")
            character(0x2022);
        else if (word == "lquote")
            character(0x2018);
        else if (word == "rquote")
            character(0x2019);
        else if (word == "ldblquote")
            character(0x201C);
        else if (word == "rdblquote")
            character(0x201D);
        else if (word == "emspace" || word == "enspace" || word == "qmspace")
            character(' ');
        else if (word == "fonttbl")
            state_.dest =
                state_.dest == Destination::Skip ? Destination::Skip : Destination::FontTable;
        else if (isSkippedDestination(word))
            state_.dest = Destination::Skip;
    }

    // Consumes one fallback character after \uN; true when it was one.
    bool takeSkipped() {
        if (skipPending_ <= 0)
            return false;
        --skipPending_;
        return true;
    }

    void character(char32_t ch) {
        if (takeSkipped())
            return;
        switch (state_.dest) {
        case Destination::Skip:
            return;
        case Destination::FontTable:
            if (ch == ';')
                storeFontName();
            else
                appendTo(fontName_, ch);
            return;
        case Destination::Text:
            break;
        }
        if (!(state_.run == pendingRun_))
            flush();
        pendingRun_ = state_.run;
        appendTo(pending_, ch);
    }

    static void appendTo(QString& text, char32_t ch) {
        if (ch > 0xFFFF)
            text += QString::fromUcs4(&ch, 1);
        else
            text += QChar(char16_t(ch));
    }

    void storeFontName() {
        if (fontNumber_ >= 0)
            fonts_.insert(fontNumber_, fontName_.trimmed());
        fontName_.clear();
        fontNumber_ = -1;
    }

    QTextCharFormat charFormat(const RunFormat& run) const {
        QTextCharFormat format;
        const QString family = fonts_.value(run.font < 0 ? defaultFont_ : run.font);
        if (!family.isEmpty())
            format.setFontFamilies({family});
        format.setFontPointSize(run.halfPoints / 2.0);
        format.setFontWeight(run.bold ? QFont::Bold : QFont::Normal);
        format.setFontItalic(run.italic);
        format.setFontUnderline(run.underline);
        format.setFontStrikeOut(run.strike);
        return format;
    }

    void flush() {
        if (pending_.isEmpty())
            return;
        cursor_.insertText(pending_, charFormat(pendingRun_));
        pending_.clear();
    }

    // Ends the current paragraph: an empty one shows the size and weight in force here.
    void paragraph() {
        if (state_.dest != Destination::Text)
            return;
        endBlock();
        cursor_.insertBlock(QTextBlockFormat(), charFormat(state_.run));
    }

    void endBlock() {
        flush();
        QTextBlockFormat block;
        block.setAlignment(state_.align);
        cursor_.setBlockFormat(block);
        cursor_.setBlockCharFormat(charFormat(state_.run));
    }

    void finish() {
        finished_ = true;
        state_.dest = Destination::Text;
        endBlock();
    }

    static bool isLetter(char c) { return (c >= 'a' && c <= 'z') || (c >= 'A' && c <= 'Z'); }
    static bool isDigit(char c) { return c >= '0' && c <= '9'; }
    static int hexValue(char c) {
        if (isDigit(c))
            return c - '0';
        if (c >= 'a' && c <= 'f')
            return c - 'a' + 10;
        if (c >= 'A' && c <= 'F')
            return c - 'A' + 10;
        return -1;
    }

    const QByteArray& in_;
    QTextCursor cursor_;
    qsizetype pos_ = 0;
    bool finished_ = false;
    State state_;
    std::vector<State> stack_;
    int skipPending_ = 0;
    QHash<int, QString> fonts_;
    int defaultFont_ = 0;
    int fontNumber_ = -1;
    QString fontName_;
    QString pending_;
    RunFormat pendingRun_;
};

} // namespace

bool ReadRtf(const QByteArray& rtf, QTextDocument& document) {
    document.clear();
    qsizetype start = 0;
    while (start < rtf.size() && QChar::isSpace(uchar(rtf[start])))
        ++start;
    if (!rtf.mid(start, 5).startsWith("{\\rtf"))
        return false;
    RtfReader reader(rtf, document);
    // Start inside the document's group, at its first control word.
    reader.run(start);
    return true;
}

} // namespace quenlark
