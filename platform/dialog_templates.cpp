// The text form of dialog templates and menus (resources/ui/dialogs.inc) and its parser.
#include <cstdio>
#include <cstdlib>
#include <map>
#include <optional>

#include "platform/dialog_internal.h"
#include "platform/shell.h"

namespace velin::platform {

namespace {

const char kTemplateText[] =
#include "resources/ui/dialogs.inc"
    ;

struct StyleName {
    std::string_view name;
    DWORD value;
};
constexpr StyleName kStyleNames[] = {
    {"WS_POPUP", WS_POPUP},
    {"WS_CHILD", WS_CHILD},
    {"WS_VISIBLE", WS_VISIBLE},
    {"WS_DISABLED", WS_DISABLED},
    {"WS_CAPTION", WS_CAPTION},
    {"WS_BORDER", WS_BORDER},
    {"WS_DLGFRAME", WS_DLGFRAME},
    {"WS_VSCROLL", WS_VSCROLL},
    {"WS_HSCROLL", WS_HSCROLL},
    {"WS_SYSMENU", WS_SYSMENU},
    {"WS_GROUP", WS_GROUP},
    {"WS_TABSTOP", WS_TABSTOP},
    {"WS_EX_CAPTIONOKBTN", WS_EX_CAPTIONOKBTN},
    {"WS_EX_CLIENTEDGE", WS_EX_CLIENTEDGE},
    {"WS_EX_WINDOWEDGE", WS_EX_WINDOWEDGE},
    {"WS_EX_DLGMODALFRAME", WS_EX_DLGMODALFRAME},
    {"DS_ABSALIGN", DS_ABSALIGN},
    {"DS_SETFONT", DS_SETFONT},
    {"DS_MODALFRAME", DS_MODALFRAME},
    {"DS_SETFOREGROUND", DS_SETFOREGROUND},
    {"DS_CENTER", DS_CENTER},
    {"SS_LEFT", SS_LEFT},
    {"SS_CENTER", SS_CENTER},
    {"SS_RIGHT", SS_RIGHT},
    {"SS_BITMAP", SS_BITMAP},
    {"SS_NOPREFIX", SS_NOPREFIX},
    {"SS_NOTIFY", SS_NOTIFY},
    {"BS_PUSHBUTTON", BS_PUSHBUTTON},
    {"BS_DEFPUSHBUTTON", BS_DEFPUSHBUTTON},
    {"BS_CHECKBOX", BS_CHECKBOX},
    {"BS_AUTOCHECKBOX", BS_AUTOCHECKBOX},
    {"BS_OWNERDRAW", BS_OWNERDRAW},
    {"ES_LEFT", ES_LEFT},
    {"ES_CENTER", ES_CENTER},
    {"ES_MULTILINE", ES_MULTILINE},
    {"ES_AUTOVSCROLL", ES_AUTOVSCROLL},
    {"ES_AUTOHSCROLL", ES_AUTOHSCROLL},
    {"ES_READONLY", ES_READONLY},
    {"ES_WANTRETURN", ES_WANTRETURN},
    {"LBS_NOTIFY", LBS_NOTIFY},
    {"LBS_SORT", LBS_SORT},
    {"LBS_NOINTEGRALHEIGHT", LBS_NOINTEGRALHEIGHT},
};

// Splits a line into words, quoted strings (unescaped, marked by a leading '"') and '|'.
bool Tokenize(std::string_view line, std::vector<std::string>* out, std::string* error) {
    size_t i = 0;
    while (i < line.size()) {
        const char c = line[i];
        if (c == ' ' || c == '\t' || c == '\r') {
            ++i;
        } else if (c == '#') {
            break;
        } else if (c == '|') {
            out->push_back("|");
            ++i;
        } else if (c == '"') {
            std::string s = "\"";
            ++i;
            bool closed = false;
            while (i < line.size()) {
                const char d = line[i++];
                if (d == '"') {
                    closed = true;
                    break;
                }
                if (d == '\\') {
                    if (i >= line.size()) break;
                    const char e = line[i++];
                    if (e == 'b') {
                        s.push_back('\b');
                    } else if (e == '"' || e == '\\') {
                        s.push_back(e);
                    } else {
                        *error = std::string("unknown escape \\") + e;
                        return false;
                    }
                } else {
                    s.push_back(d);
                }
            }
            if (!closed) {
                *error = "unterminated string";
                return false;
            }
            out->push_back(s);
        } else {
            size_t j = i;
            while (j < line.size() && line[j] != ' ' && line[j] != '\t' && line[j] != '|' &&
                   line[j] != '"' && line[j] != '\r') {
                ++j;
            }
            out->emplace_back(line.substr(i, j - i));
            i = j;
        }
    }
    return true;
}

std::optional<long> Number(const std::string& word) {
    if (word.empty() || word[0] == '"') return std::nullopt;
    char* end = nullptr;
    const long v = std::strtol(word.c_str(), &end, 0);
    if (*end) return std::nullopt;
    return v;
}

bool IsString(const std::string& word) { return !word.empty() && word[0] == '"'; }

std::u16string Text(const std::string& word) {
    std::u16string out;
    DecodeUtf8(std::string_view(word).substr(1), &out);
    return out;
}

// A style expression starting at token *pos: NAME or number, joined by '|'.
bool Styles(const std::vector<std::string>& t, size_t* pos, DWORD* out, std::string* error) {
    DWORD v = 0;
    for (;;) {
        if (*pos >= t.size()) {
            *error = "a style is missing";
            return false;
        }
        const std::string& w = t[*pos];
        bool found = false;
        for (const StyleName& s : kStyleNames) {
            if (s.name == w) {
                v |= s.value;
                found = true;
            }
        }
        if (!found) {
            std::optional<long> n = Number(w);
            if (!n) {
                *error = "unknown style " + w;
                return false;
            }
            v |= static_cast<DWORD>(*n);
        }
        ++*pos;
        if (*pos < t.size() && t[*pos] == "|") {
            ++*pos;
            continue;
        }
        *out = v;
        return true;
    }
}

}  // namespace

bool ParseTemplates(std::string_view text, TemplateSet* out, std::string* error) {
    enum class Where { kTop, kDialog, kMenu };
    Where where = Where::kTop;
    DLGTEMPLATE dialog;
    int menuId = 0;
    std::vector<MenuTemplateItem> menu;
    std::vector<MenuTemplateItem>* items = nullptr;  // where menu items go now
    int popupDepth = 0;
    int lineNo = 0;
    size_t start = 0;
    auto fail = [&](const std::string& why) {
        *error = "line " + std::to_string(lineNo) + ": " + why;
        return false;
    };
    while (start <= text.size()) {
        size_t end = text.find('\n', start);
        if (end == std::string_view::npos) end = text.size();
        const std::string_view line = text.substr(start, end - start);
        start = end + 1;
        ++lineNo;
        std::vector<std::string> t;
        std::string why;
        if (!Tokenize(line, &t, &why)) return fail(why);
        if (t.empty()) continue;
        const std::string& verb = t[0];
        size_t pos = 1;
        if (where == Where::kTop) {
            if (verb == "DIALOG") {
                if (t.size() != 6) return fail("DIALOG needs an id, x, y, width and height");
                long v[5];
                for (int i = 0; i < 5; ++i) {
                    std::optional<long> n = Number(t[1 + i]);
                    if (!n) return fail("not a number: " + t[1 + i]);
                    v[i] = *n;
                }
                dialog = DLGTEMPLATE{};
                dialog.resourceId = static_cast<int>(v[0]);
                dialog.x = static_cast<short>(v[1]);
                dialog.y = static_cast<short>(v[2]);
                dialog.cx = static_cast<short>(v[3]);
                dialog.cy = static_cast<short>(v[4]);
                where = Where::kDialog;
            } else if (verb == "MENU") {
                std::optional<long> n = t.size() == 2 ? Number(t[1]) : std::nullopt;
                if (!n) return fail("MENU needs an id");
                menuId = static_cast<int>(*n);
                menu.clear();
                items = &menu;
                popupDepth = 0;
                where = Where::kMenu;
            } else {
                return fail("expected DIALOG or MENU, not " + verb);
            }
            continue;
        }
        if (where == Where::kDialog) {
            if (verb == "END") {
                out->dialogs.push_back(dialog);
                where = Where::kTop;
            } else if (verb == "CAPTION") {
                if (t.size() != 2 || !IsString(t[1])) return fail("CAPTION needs a text");
                dialog.caption = Text(t[1]);
            } else if (verb == "STYLE" || verb == "EXSTYLE") {
                DWORD v = 0;
                if (!Styles(t, &pos, &v, &why)) return fail(why);
                if (pos != t.size()) return fail("unexpected " + t[pos]);
                (verb == "STYLE" ? dialog.style : dialog.exStyle) = v;
            } else if (verb == "FONT") {
                std::optional<long> n = t.size() == 3 ? Number(t[1]) : std::nullopt;
                if (!n || !IsString(t[2])) return fail("FONT needs a size and a face");
                dialog.pointSize = static_cast<int>(*n);
                dialog.faceName = Text(t[2]);
            } else if (verb == "CONTROL") {
                DLGITEMTEMPLATEW item;
                std::optional<long> id = t.size() > 2 ? Number(t[1]) : std::nullopt;
                if (!id) return fail("CONTROL needs an id");
                item.id = static_cast<int>(*id);
                item.className = Text("\"" + t[2]);
                pos = 3;
                if (!Styles(t, &pos, &item.style, &why)) return fail(why);
                if (t.size() != pos + 5) return fail("CONTROL needs x, y, width, height and a text");
                short v[4];
                for (int i = 0; i < 4; ++i) {
                    std::optional<long> n = Number(t[pos + i]);
                    if (!n) return fail("not a number: " + t[pos + i]);
                    v[i] = static_cast<short>(*n);
                }
                if (!IsString(t[pos + 4])) return fail("the control's text is missing");
                item.x = v[0];
                item.y = v[1];
                item.cx = v[2];
                item.cy = v[3];
                item.text = Text(t[pos + 4]);
                item.style |= WS_CHILD | WS_VISIBLE;
                dialog.items.push_back(std::move(item));
            } else {
                return fail("unknown dialog statement " + verb);
            }
            continue;
        }
        // In a menu.
        if (verb == "END") {
            if (popupDepth == 0) {
                out->menus.emplace_back(menuId, menu);
                where = Where::kTop;
            } else {
                --popupDepth;
                // Back to the enclosing list: walk down from the top along the last pop-ups.
                items = &menu;
                for (int d = 0; d < popupDepth; ++d) items = &items->back().popup;
            }
        } else if (verb == "POPUP") {
            if (t.size() != 2 || !IsString(t[1])) return fail("POPUP needs a text");
            MenuTemplateItem p;
            p.isPopup = true;
            p.text = Text(t[1]);
            items->push_back(std::move(p));
            items = &items->back().popup;
            ++popupDepth;
        } else if (verb == "ITEM") {
            std::optional<long> id = t.size() == 3 ? Number(t[1]) : std::nullopt;
            if (!id || !IsString(t[2])) return fail("ITEM needs an id and a text");
            MenuTemplateItem i;
            i.id = static_cast<UINT>(*id);
            i.text = Text(t[2]);
            items->push_back(std::move(i));
        } else if (verb == "SEPARATOR") {
            MenuTemplateItem i;
            i.separator = true;
            items->push_back(std::move(i));
        } else {
            return fail("unknown menu statement " + verb);
        }
    }
    if (where != Where::kTop) return fail("END is missing");
    return true;
}

namespace {

const TemplateSet& Templates() {
    static const TemplateSet set = [] {
        TemplateSet s;
        std::string error;
        if (!ParseTemplates(kTemplateText, &s, &error)) {
            std::fprintf(stderr, "resources/ui/dialogs.inc: %s\n", error.c_str());
            std::abort();
        }
        return s;
    }();
    return set;
}

}  // namespace

const DLGTEMPLATE* FindDialogTemplate(int id) {
    for (const DLGTEMPLATE& d : Templates().dialogs) {
        if (d.resourceId == id) return &d;
    }
    return nullptr;
}

const std::vector<MenuTemplateItem>* FindMenuTemplate(int id) {
    for (const auto& [menuId, items] : Templates().menus) {
        if (menuId == id) return &items;
    }
    return nullptr;
}

}  // namespace velin::platform
