#include "lwhost/ui/inline_text.h"

#include <lwsdk/lwxpanel.h>

#include <algorithm>
#include <cctype>
#include <vector>

#include "lwhost/ui/xpanel.h"

namespace lwhost {

namespace {

constexpr char kCode = '\x03';
constexpr int kIconSide = 7;  // the font's glyph height: pictures sit in the line

struct Piece {
    enum class Kind { Text, Align, Gap, Justify, Colour, Icon, Break };
    Kind kind;
    std::string text;  // Text; Colour and Icon: the name
    int number = 0;    // Align, Gap: pixels; Justify: 0, 1 or 2
};

// A code's number, held to what an image can take.
int codeNumber(const std::string& argument) {
    long long n = 0;
    size_t i = 0;
    while (i < argument.size() && std::isdigit(static_cast<unsigned char>(argument[i])) &&
           n <= Image::kMaxSide)
        n = n * 10 + (argument[i++] - '0');
    return static_cast<int>(std::min<long long>(n, Image::kMaxSide));
}

// The text as pieces; line breaks in the text are pieces of their own.
std::vector<Piece> parse(const std::string& text) {
    std::vector<Piece> out;
    std::string run;
    auto flush = [&] {
        if (!run.empty()) out.push_back({Piece::Kind::Text, std::move(run), 0});
        run.clear();
    };
    for (size_t i = 0; i < text.size(); ++i) {
        const char c = text[i];
        if (c == '\n') {
            flush();
            out.push_back({Piece::Kind::Break, "", 0});
            continue;
        }
        if (c != kCode) {
            run += c;
            continue;
        }
        // A whole code is "(", a letter, ":", an argument without ")" or a line break, and ")".
        const size_t end = text.find(')', i + 1);
        const bool whole = end != std::string::npos && i + 3 < end && text[i + 1] == '(' &&
                           std::isalpha(static_cast<unsigned char>(text[i + 2])) &&
                           text[i + 3] == ':' && text.find('\n', i) > end;
        if (!whole) continue;
        const char letter =
            static_cast<char>(std::tolower(static_cast<unsigned char>(text[i + 2])));
        const std::string argument = text.substr(i + 4, end - i - 4);
        i = end;
        flush();
        switch (letter) {
            case 'a':
                out.push_back({Piece::Kind::Align, "", codeNumber(argument)});
                break;
            case 'g':
                out.push_back({Piece::Kind::Gap, "", codeNumber(argument)});
                break;
            case 'j':
                out.push_back({Piece::Kind::Justify, "", std::min(codeNumber(argument), 2)});
                break;
            case 'c':
                out.push_back({Piece::Kind::Colour, argument, 0});
                break;
            case 'i':
                out.push_back({Piece::Kind::Icon, argument, 0});
                break;
            default:
                break;
        }
    }
    flush();
    return out;
}

std::string upper(std::string text) {
    for (char& c : text) c = static_cast<char>(std::toupper(static_cast<unsigned char>(c)));
    return text;
}

// The arrow a picture name stands for: -1 left, 1 right, 0 none.
int arrowOf(const std::string& name) {
    const std::string n = upper(name);
    if (n.find("LEFTARROW") != std::string::npos) return -1;
    if (n.find("RIGHTARROW") != std::string::npos) return 1;
    return 0;
}

// The panel colour a colour name stands for; false for a name the host does not know.
bool colourOf(const std::string& name, Rgb& out) {
    std::string n = upper(name);
    if (n.rfind("NC_", 0) == 0) n = n.substr(3);
    static const struct {
        const char* name;
        int index;
    } kColours[] = {
        {"HILIGHT", LWXPCOL_HILIGHT}, {"HIGHLIGHT", LWXPCOL_HILIGHT},     {"TEXT", LWXPCOL_TEXT},
        {"DIMTEXT", LWXPCOL_DIMTEXT}, {"BACKGROUND", LWXPCOL_BACKGROUND}, {"FACE", LWXPCOL_FACE},
        {"LIGHT", LWXPCOL_LIGHT},     {"SHADOW", LWXPCOL_SHADOW},         {"WHITE", LWXPCOL_WHITE},
        {"BLACK", LWXPCOL_BLACK}};
    for (const auto& c : kColours) {
        if (n != c.name) continue;
        out = XPanels::colour(c.index);
        return true;
    }
    return false;
}

int pieceWidth(const Piece& p) {
    return p.kind == Piece::Kind::Text   ? Image::textWidth(p.text)
           : p.kind == Piece::Kind::Gap  ? p.number
           : p.kind == Piece::Kind::Icon ? kIconSide
                                         : 0;
}

// Where the pen stands after the piece, from `at` (pixels from the line's start).
int advance(const Piece& p, int at) {
    return p.kind == Piece::Kind::Align ? std::max(at, p.number) : at + pieceWidth(p);
}

void drawIcon(Image& image, int x, int y, const std::string& name, Rgb colour) {
    const int arrow = arrowOf(name);
    if (arrow == 0) {
        image.fillRect(x, y, kIconSide - 2, 1, colour);
        image.fillRect(x, y + kIconSide - 1, kIconSide - 2, 1, colour);
        image.fillRect(x, y, 1, kIconSide, colour);
        image.fillRect(x + kIconSide - 3, y, 1, kIconSide, colour);
        return;
    }
    // A shaft along the middle row and a head of columns growing towards the tail.
    const int mid = kIconSide / 2;
    image.fillRect(x, y + mid, kIconSide, 1, colour);
    for (int i = 0; i <= mid; ++i) {
        const int col = arrow > 0 ? x + kIconSide - 1 - i : x + i;
        image.fillRect(col, y + mid - i, 1, 2 * i + 1, colour);
    }
}

}  // namespace

std::string stripInlineCodes(const std::string& text) {
    std::string out;
    for (const Piece& p : parse(text)) {
        if (p.kind == Piece::Kind::Text) out += p.text;
        if (p.kind == Piece::Kind::Break) out += '\n';
    }
    return out;
}

std::string printInlineText(const std::string& text) {
    std::string out;
    size_t lineStart = 0;
    bool blank = false;    // a gap or justification since the last word
    bool picture = false;  // the last thing printed was a picture
    auto put = [&](const std::string& word, bool isPicture) {
        const bool lineEmpty = out.size() == lineStart;
        if (!lineEmpty && (blank || isPicture || picture) && out.back() != ' ' && word[0] != ' ')
            out += ' ';
        out += word;
        blank = false;
        picture = isPicture;
    };
    for (const Piece& p : parse(text)) {
        switch (p.kind) {
            case Piece::Kind::Text:
                put(p.text, false);
                break;
            case Piece::Kind::Icon:
                if (const int arrow = arrowOf(p.text)) put(arrow < 0 ? "<-" : "->", true);
                break;
            case Piece::Kind::Gap:
            case Piece::Kind::Justify:
                blank = true;
                break;
            case Piece::Kind::Align: {
                const int have = Image::textWidth(out.substr(lineStart));
                const int per = Image::textWidth(" ");
                if (have < p.number)
                    out.append(static_cast<size_t>((p.number - have + per - 1) / per), ' ');
                blank = false;
                picture = false;
                break;
            }
            case Piece::Kind::Break:
                out += '\n';
                lineStart = out.size();
                blank = picture = false;
                break;
            case Piece::Kind::Colour:
                break;
        }
    }
    return out;
}

int inlineTextWidth(const std::string& text) {
    int widest = 0, at = 0;
    for (const Piece& p : parse(text)) {
        at = p.kind == Piece::Kind::Break ? 0 : advance(p, at);
        widest = std::max(widest, at);
    }
    return widest;
}

void drawInlineText(Image& image, int x, int y, int room, const std::string& text, Rgb colour,
                    bool colourCodes) {
    const std::vector<Piece> pieces = parse(text);
    int at = 0;  // pixels from x where the pen stands
    for (size_t i = 0; i < pieces.size(); ++i) {
        const Piece& p = pieces[i];
        switch (p.kind) {
            case Piece::Kind::Break:
                at = 0;
                y += Image::textHeight();
                break;
            case Piece::Kind::Justify: {
                if (p.number == 0 || room <= 0) break;
                // What follows up to the next justification or line break, placed as a whole.
                int width = 0;
                for (size_t j = i + 1;
                     j < pieces.size() && pieces[j].kind != Piece::Kind::Justify &&
                     pieces[j].kind != Piece::Kind::Break;
                     ++j)
                    width = advance(pieces[j], width);
                const int free = room - width;
                at = std::max(at, p.number == 1 ? free / 2 : free);
                break;
            }
            case Piece::Kind::Colour:
                if (colourCodes) colourOf(p.text, colour);
                break;
            case Piece::Kind::Text:
                image.drawText(x + at, y, p.text, colour);
                at = advance(p, at);
                break;
            case Piece::Kind::Icon:
                drawIcon(image, x + at, y, p.text, colour);
                at = advance(p, at);
                break;
            case Piece::Kind::Align:
            case Piece::Kind::Gap:
                at = advance(p, at);
                break;
        }
    }
}

}  // namespace lwhost
