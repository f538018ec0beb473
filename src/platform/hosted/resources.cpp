// A reader of the subset of the resource-script language that res/horalux.rc
// uses: ICON and BITMAP lines, one DIALOGEX with STYLE, EXSTYLE, CAPTION and
// FONT, and CONTROL lines; names and string texts come from res/resource.h.
// A script outside that subset stops the run with a message naming the line,
// so that the hosted dialog can never silently differ from the Windows one.
#include "resources.h"

#include "state.h"

#include <cctype>
#include <cstdio>
#include <cstdlib>
#include <map>

namespace hosted {
namespace detail {
namespace {

constexpr const char kScriptName[] = "horalux.rc";
constexpr const char kHeaderName[] = "resource.h";

struct Resources {
    std::map<int, std::string> icons;    // id -> file name
    std::map<int, std::string> bitmaps;
    std::map<int, DialogTemplate> dialogs;
};

// The window-system names a script may use in a style.
const std::map<std::string, DWORD>& StyleNames() {
    static const std::map<std::string, DWORD> names = {
        {"WS_POPUP", WS_POPUP},           {"WS_CHILD", WS_CHILD},
        {"WS_VISIBLE", WS_VISIBLE},       {"WS_DISABLED", WS_DISABLED},
        {"WS_CAPTION", WS_CAPTION},       {"WS_BORDER", WS_BORDER},
        {"WS_DLGFRAME", WS_DLGFRAME},     {"WS_SYSMENU", WS_SYSMENU},
        {"WS_GROUP", WS_GROUP},           {"WS_TABSTOP", WS_TABSTOP},
        {"DS_SETFONT", DS_SETFONT},       {"DS_MODALFRAME", DS_MODALFRAME},
        {"DS_CENTER", DS_CENTER},         {"SS_LEFT", SS_LEFT},
        {"SS_CENTER", SS_CENTER},         {"SS_RIGHT", SS_RIGHT},
        {"SS_ICON", SS_ICON},             {"SS_BITMAP", SS_BITMAP},
        {"SS_NOPREFIX", SS_NOPREFIX},     {"SS_NOTIFY", SS_NOTIFY},
        {"SS_REALSIZEIMAGE", SS_REALSIZEIMAGE}, {"BS_PUSHBUTTON", BS_PUSHBUTTON},
        {"BS_DEFPUSHBUTTON", BS_DEFPUSHBUTTON}, {"BS_CENTER", BS_CENTER},
    };
    return names;
}

const EmbeddedFile* FindFile(const std::string& name) {
    for (std::size_t i = 0; i < kEmbeddedFileCount; ++i)
        if (name == kEmbeddedFiles[i].name) return &kEmbeddedFiles[i];
    return nullptr;
}

[[noreturn]] void Fail(const char* file, int line, const std::string& what) {
    std::fprintf(stderr, "hosted resources: %s:%d: %s\n", file, line, what.c_str());
    std::abort();
}

std::string FileText(const char* name) {
    const EmbeddedFile* file = FindFile(name);
    if (file == nullptr) Fail(name, 0, "not embedded");
    return std::string(reinterpret_cast<const char*>(file->bytes), file->size);
}

enum class Kind { Name, Number, String, Punct, End };

struct Token {
    Kind kind = Kind::End;
    std::string text;  // names, punctuation, decoded strings
    long number = 0;
    int line = 0;
};

// Tokens of a script or header; preprocessor lines are handed to `directive`.
class Lexer {
public:
    Lexer(const char* file, std::string text) : file_(file), text_(std::move(text)) {}

    template <typename Directive>
    std::vector<Token> Tokens(Directive directive) {
        std::vector<Token> tokens;
        bool lineStart = true;
        while (pos_ < text_.size()) {
            const char c = text_[pos_];
            if (c == '\n') {
                ++line_;
                ++pos_;
                lineStart = true;
                continue;
            }
            if (std::isspace(static_cast<unsigned char>(c))) {
                ++pos_;
                continue;
            }
            if (c == '/' && Peek(1) == '/') {
                while (pos_ < text_.size() && text_[pos_] != '\n') ++pos_;
                continue;
            }
            if (c == '/' && Peek(1) == '*') {
                const std::size_t end = text_.find("*/", pos_ + 2);
                if (end == std::string::npos) Fail(file_, line_, "unterminated comment");
                for (std::size_t i = pos_; i < end; ++i)
                    if (text_[i] == '\n') ++line_;
                pos_ = end + 2;
                continue;
            }
            if (c == '#' && lineStart) {
                const std::size_t end = text_.find('\n', pos_);
                const std::size_t stop = end == std::string::npos ? text_.size() : end;
                directive(text_.substr(pos_, stop - pos_), line_);
                pos_ = stop;
                continue;
            }
            lineStart = false;
            tokens.push_back(Next());
        }
        return tokens;
    }

private:
    char Peek(std::size_t ahead) const {
        return pos_ + ahead < text_.size() ? text_[pos_ + ahead] : '\0';
    }

    Token Next() {
        Token t;
        t.line = line_;
        const char c = text_[pos_];
        if (std::isalpha(static_cast<unsigned char>(c)) || c == '_') {
            t.kind = Kind::Name;
            while (pos_ < text_.size() && (std::isalnum(static_cast<unsigned char>(text_[pos_])) || text_[pos_] == '_'))
                t.text += text_[pos_++];
            return t;
        }
        if (std::isdigit(static_cast<unsigned char>(c))) {
            t.kind = Kind::Number;
            const char* begin = text_.c_str() + pos_;
            char* end = nullptr;
            t.number = std::strtol(begin, &end, 0);
            pos_ += static_cast<std::size_t>(end - begin);
            if (pos_ < text_.size() && (text_[pos_] == 'L' || text_[pos_] == 'l')) ++pos_;
            return t;
        }
        if (c == '"') {
            t.kind = Kind::String;
            ++pos_;
            for (;;) {
                if (pos_ >= text_.size() || text_[pos_] == '\n') Fail(file_, line_, "unterminated string");
                const char s = text_[pos_++];
                if (s == '"') {
                    if (Peek(0) == '"') {  // "" is a quote inside a script string
                        t.text += '"';
                        ++pos_;
                        continue;
                    }
                    break;
                }
                if (s != '\\') {
                    t.text += s;
                    continue;
                }
                const char e = text_[pos_++];
                switch (e) {
                case 'n': t.text += '\n'; break;
                case 't': t.text += '\t'; break;
                case '\\': t.text += '\\'; break;
                case '"': t.text += '"'; break;
                default: Fail(file_, line_, std::string("unknown escape \\") + e);
                }
            }
            return t;
        }
        t.kind = Kind::Punct;
        t.text = std::string(1, c);
        ++pos_;
        return t;
    }

    const char* file_;
    std::string text_;
    std::size_t pos_ = 0;
    int line_ = 1;
};

// The #define lines of resource.h: numbers (also in parentheses, negative)
// and string literals.
struct Macros {
    std::map<std::string, long> numbers;
    std::map<std::string, std::string> strings;
};

Macros ReadHeader() {
    Macros macros;
    Lexer lexer(kHeaderName, FileText(kHeaderName));
    lexer.Tokens([&macros](const std::string& line, int number) {
        Lexer inner(kHeaderName, line.substr(1));
        const std::vector<Token> t = inner.Tokens([](const std::string&, int) {});
        if (t.empty() || t[0].text != "define" || t.size() < 3) return;  // guards, #ifndef, #endif
        const std::string& name = t[1].text;
        if (t.size() == 3 && t[2].kind == Kind::Number) {
            macros.numbers[name] = t[2].number;
        } else if (t.size() == 3 && t[2].kind == Kind::String) {
            macros.strings[name] = t[2].text;
        } else if (t.size() == 5 && t[2].text == "(" && t[3].kind == Kind::Number && t[4].text == ")") {
            macros.numbers[name] = t[3].number;
        } else if (t.size() == 6 && t[2].text == "(" && t[3].text == "-" && t[4].kind == Kind::Number &&
                   t[5].text == ")") {
            macros.numbers[name] = -t[4].number;
        } else {
            Fail(kHeaderName, number, "a #define that is neither a number nor a string: " + name);
        }
    });
    return macros;
}

class ScriptReader {
public:
    ScriptReader(std::vector<Token> tokens, Macros macros) : t_(std::move(tokens)), macros_(std::move(macros)) {}

    Resources Read() {
        Resources res;
        while (!AtEnd()) {
            const int id = Id();
            const Token keyword = Take(Kind::Name, "a resource type");
            if (keyword.text == "ICON") {
                res.icons[id] = File();
            } else if (keyword.text == "BITMAP") {
                res.bitmaps[id] = File();
            } else if (keyword.text == "DIALOGEX") {
                res.dialogs[id] = Dialog(id);
            } else {
                Fail(kScriptName, keyword.line, "resource type the hosted reader does not know: " + keyword.text);
            }
        }
        return res;
    }

private:
    bool AtEnd() const { return i_ >= t_.size(); }
    const Token& Current() const {
        static const Token end;
        return AtEnd() ? end : t_[i_];
    }
    int Line() const { return AtEnd() ? (t_.empty() ? 0 : t_.back().line) : t_[i_].line; }

    Token Take(Kind kind, const char* what) {
        if (AtEnd() || t_[i_].kind != kind) Fail(kScriptName, Line(), std::string("expected ") + what);
        return t_[i_++];
    }
    bool TakePunct(const char* p) {
        if (!AtEnd() && t_[i_].kind == Kind::Punct && t_[i_].text == p) {
            ++i_;
            return true;
        }
        return false;
    }
    void Expect(const char* p) {
        if (!TakePunct(p)) Fail(kScriptName, Line(), std::string("expected '") + p + "'");
    }
    bool IsName(const char* name) const {
        return !AtEnd() && t_[i_].kind == Kind::Name && t_[i_].text == name;
    }

    long Number() {
        if (TakePunct("-")) return -Number();
        if (!AtEnd() && t_[i_].kind == Kind::Number) return t_[i_++].number;
        const Token name = Take(Kind::Name, "a number or a name");
        const auto it = macros_.numbers.find(name.text);
        if (it == macros_.numbers.end()) Fail(kScriptName, name.line, "unknown number name " + name.text);
        return it->second;
    }
    int Id() { return static_cast<int>(Number()); }

    std::string Text() {
        if (!AtEnd() && t_[i_].kind == Kind::String) return t_[i_++].text;
        const Token name = Take(Kind::Name, "a text or a text name");
        const auto it = macros_.strings.find(name.text);
        if (it == macros_.strings.end()) Fail(kScriptName, name.line, "unknown text name " + name.text);
        return it->second;
    }

    std::string File() {
        const std::string name = Take(Kind::String, "a file name").text;
        if (FindFile(name) == nullptr) Fail(kScriptName, Line(), "file not embedded: " + name);
        return name;
    }

    DWORD StyleTerm() {
        if (IsName("NOT")) {
            ++i_;
            return ~StyleTerm();
        }
        if (TakePunct("(")) {
            const DWORD value = Style();
            Expect(")");
            return value;
        }
        if (!AtEnd() && t_[i_].kind == Kind::Number) return static_cast<DWORD>(t_[i_++].number);
        const Token name = Take(Kind::Name, "a style");
        const auto it = StyleNames().find(name.text);
        if (it == StyleNames().end()) Fail(kScriptName, name.line, "unknown style " + name.text);
        return it->second;
    }
    // "A | NOT B" clears B, as in the script language.
    DWORD Style() {
        DWORD value = 0;
        bool first = true;
        do {
            const bool negated = IsName("NOT");
            const DWORD term = StyleTerm();
            if (negated && !first)
                value &= term;
            else
                value |= term;
            first = false;
        } while (TakePunct("|"));
        return value;
    }

    DialogTemplate Dialog(int id) {
        DialogTemplate d;
        d.id = id;
        d.x = Id();
        Expect(",");
        d.y = Id();
        Expect(",");
        d.width = Id();
        Expect(",");
        d.height = Id();
        for (;;) {
            const Token option = Take(Kind::Name, "a dialog option or BEGIN");
            if (option.text == "BEGIN") break;
            if (option.text == "STYLE") {
                d.style = Style();
            } else if (option.text == "EXSTYLE") {
                d.exStyle = Style();
            } else if (option.text == "CAPTION") {
                d.caption = Text();
            } else if (option.text == "FONT") {
                d.fontPoints = Id();
                Expect(",");
                d.fontFace = Text();
            } else {
                Fail(kScriptName, option.line, "dialog option the hosted reader does not know: " + option.text);
            }
        }
        for (;;) {
            const Token keyword = Take(Kind::Name, "CONTROL or END");
            if (keyword.text == "END") break;
            if (keyword.text != "CONTROL")
                Fail(kScriptName, keyword.line, "the hosted reader knows only CONTROL lines, not " + keyword.text);
            DialogItemTemplate item;
            item.text = Text();
            Expect(",");
            item.id = Id();
            Expect(",");
            item.className = Text();
            Expect(",");
            item.style = Style();
            Expect(",");
            item.x = Id();
            Expect(",");
            item.y = Id();
            Expect(",");
            item.width = Id();
            Expect(",");
            item.height = Id();
            if (TakePunct(",")) item.exStyle = Style();
            d.items.push_back(item);
        }
        return d;
    }

    std::vector<Token> t_;
    Macros macros_;
    std::size_t i_ = 0;
};

// Read once: the script and its files do not change during a run.
const Resources& TheResources() {
    static const Resources resources = [] {
        Lexer lexer(kScriptName, FileText(kScriptName));
        std::vector<Token> tokens = lexer.Tokens([](const std::string& line, int number) {
            if (line.rfind("#include", 0) != 0)
                Fail(kScriptName, number, "only #include lines are read: " + line);
        });
        return ScriptReader(std::move(tokens), ReadHeader()).Read();
    }();
    return resources;
}

const EmbeddedFile* FileOf(const std::map<int, std::string>& table, int id) {
    const auto it = table.find(id);
    return it == table.end() ? nullptr : FindFile(it->second);
}

}  // namespace

const DialogTemplate* FindDialogTemplate(int id) {
    const auto& dialogs = TheResources().dialogs;
    const auto it = dialogs.find(id);
    return it == dialogs.end() ? nullptr : &it->second;
}

const EmbeddedFile* BitmapFile(int id) {
    return FileOf(TheResources().bitmaps, id);
}

const EmbeddedFile* IconFile(int id) {
    return FileOf(TheResources().icons, id);
}

bool HasIcon(int id) {
    return IconFile(id) != nullptr;
}

}  // namespace detail
}  // namespace hosted
