#include "registry/RegistryFile.h"

#include "common/ByteReader.h"

#include <cstdio>
#include <functional>

namespace plat {

const char* toString(RegistryFileStatus status)
{
    switch (status) {
    case RegistryFileStatus::Ok: return "ok";
    case RegistryFileStatus::NotARegistryFile: return "not a registry file (no REGEDIT4 header)";
    case RegistryFileStatus::Malformed: return "malformed registry file";
    case RegistryFileStatus::Unsupported: return "unsupported registry file (UTF-16 text)";
    case RegistryFileStatus::TooLarge: return "registry file too large";
    }
    return "unknown";
}

std::string RegistryParseResult::describe() const
{
    std::string text = toString(status);
    if (line > 0)
        text += ", line " + std::to_string(line);
    if (!message.empty())
        text += ": " + message;
    return text;
}

namespace {

std::string_view trim(std::string_view s)
{
    while (!s.empty() && (s.front() == ' ' || s.front() == '\t'))
        s.remove_prefix(1);
    while (!s.empty() && (s.back() == ' ' || s.back() == '\t'))
        s.remove_suffix(1);
    return s;
}

int hexDigit(char c)
{
    if (c >= '0' && c <= '9')
        return c - '0';
    if (c >= 'a' && c <= 'f')
        return c - 'a' + 10;
    if (c >= 'A' && c <= 'F')
        return c - 'A' + 10;
    return -1;
}

bool startsWithIgnoringCase(std::string_view s, std::string_view prefix)
{
    return s.size() >= prefix.size() && EqualsIgnoringCase(s.substr(0, prefix.size()), prefix);
}

// Reads a quoted string at the front of s; leaves s behind the closing quote.
bool readQuoted(std::string_view& s, std::string& out)
{
    if (s.empty() || s.front() != '"')
        return false;
    out.clear();
    std::size_t i = 1;
    for (; i < s.size() && s[i] != '"'; ++i) {
        if (s[i] == '\\' && i + 1 < s.size()) {
            char next = s[i + 1];
            if (next == '\\' || next == '"') {
                out += next;
                ++i;
                continue;
            }
            if (next == 'n') {
                out += '\n';
                ++i;
                continue;
            }
            // Any other escape is kept as written, as regedit does.
        }
        out += s[i];
    }
    if (i >= s.size())
        return false;
    s.remove_prefix(i + 1);
    return true;
}

bool readHexBytes(std::string_view s, std::vector<std::uint8_t>& out, std::string& why)
{
    out.clear();
    s = trim(s);
    if (s.empty())
        return true;
    while (true) {
        s = trim(s);
        if (s.size() < 2 || hexDigit(s[0]) < 0 || hexDigit(s[1]) < 0) {
            why = "expected two hex digits";
            return false;
        }
        out.push_back(static_cast<std::uint8_t>(hexDigit(s[0]) * 16 + hexDigit(s[1])));
        s = trim(s.substr(2));
        if (s.empty())
            return true;
        if (s.front() != ',') {
            why = "expected ',' between hex bytes";
            return false;
        }
        s.remove_prefix(1);
    }
}

bool readValueData(std::string_view s, RegistryValue& value, bool& remove, std::string& why)
{
    remove = false;
    if (s == "-") {
        remove = true;
        return true;
    }
    if (!s.empty() && s.front() == '"') {
        std::string text;
        if (!readQuoted(s, text)) {
            why = "unterminated string";
            return false;
        }
        if (!trim(s).empty()) {
            why = "text after the closing quote";
            return false;
        }
        value = RegistryValue::string(text);
        return true;
    }
    if (startsWithIgnoringCase(s, "dword:")) {
        std::string_view digits = trim(s.substr(6));
        if (digits.empty() || digits.size() > 8) {
            why = "a dword needs 1 to 8 hex digits";
            return false;
        }
        std::uint32_t n = 0;
        for (char c : digits) {
            if (hexDigit(c) < 0) {
                why = "a dword needs 1 to 8 hex digits";
                return false;
            }
            n = n * 16 + static_cast<std::uint32_t>(hexDigit(c));
        }
        value = RegistryValue::dword(n);
        return true;
    }
    if (startsWithIgnoringCase(s, "hex")) {
        s.remove_prefix(3);
        std::uint32_t type = REG_BINARY;
        if (!s.empty() && s.front() == '(') {
            std::size_t close = s.find(')');
            std::string_view digits = s.substr(1, close == std::string_view::npos ? 0 : close - 1);
            if (close == std::string_view::npos || digits.empty() || digits.size() > 8) {
                why = "bad hex(type)";
                return false;
            }
            type = 0;
            for (char c : digits) {
                if (hexDigit(c) < 0) {
                    why = "bad hex(type)";
                    return false;
                }
                type = type * 16 + static_cast<std::uint32_t>(hexDigit(c));
            }
            s.remove_prefix(close + 1);
        }
        if (s.empty() || s.front() != ':') {
            why = "expected ':' after hex";
            return false;
        }
        value.type = type;
        return readHexBytes(s.substr(1), value.data, why);
    }
    why = "unknown value form";
    return false;
}

class Parser {
public:
    Parser(std::string_view text, RegistryTree& tree) : text_(text), tree_(tree) {}

    RegistryParseResult run()
    {
        if (text_.size() > kMaxRegistryFileSize)
            return fail(RegistryFileStatus::TooLarge, 0, "more than 64 MiB");
        if (text_.size() >= 2
            && ((text_[0] == '\xff' && text_[1] == '\xfe') || (text_[0] == '\xfe' && text_[1] == '\xff')))
            return fail(RegistryFileStatus::Unsupported, 1, "");
        if (text_.substr(0, 3) == "\xef\xbb\xbf")
            text_.remove_prefix(3);

        bool sawHeader = false;
        std::string logical;
        int logicalStart = 0;
        while (nextLine()) {
            std::string_view line = trim(line_);
            if (!sawHeader) {
                if (line.empty())
                    continue;
                if (line != "REGEDIT4" && line != "Windows Registry Editor Version 5.00")
                    return fail(RegistryFileStatus::NotARegistryFile, lineNo_, "first line is not REGEDIT4");
                sawHeader = true;
                continue;
            }
            // A value line ending in '\' continues on the next line (wrapped hex).
            if (!logical.empty() || (!line.empty() && (line.front() == '"' || line.front() == '@'))) {
                if (logical.empty())
                    logicalStart = lineNo_;
                if (!line.empty() && line.back() == '\\') {
                    line.remove_suffix(1);
                    logical.append(line);
                    continue;
                }
                logical.append(line);
                RegistryParseResult r = valueLine(logical, logicalStart);
                logical.clear();
                if (r.status != RegistryFileStatus::Ok)
                    return r;
                continue;
            }
            if (line.empty() || line.front() == ';')
                continue;
            if (line.front() == '[') {
                RegistryParseResult r = sectionLine(line);
                if (r.status != RegistryFileStatus::Ok)
                    return r;
                continue;
            }
            return fail(RegistryFileStatus::Malformed, lineNo_, "expected a [key], a value, a comment or a blank line");
        }
        if (!logical.empty())
            return fail(RegistryFileStatus::Malformed, logicalStart, "value continues past the end of the file");
        if (!sawHeader && !empty_)
            return fail(RegistryFileStatus::NotARegistryFile, 1, "no REGEDIT4 header");
        return {};
    }

private:
    bool nextLine()
    {
        if (pos_ >= text_.size())
            return false;
        empty_ = false;
        std::size_t end = text_.find('\n', pos_);
        if (end == std::string_view::npos)
            end = text_.size();
        line_ = text_.substr(pos_, end - pos_);
        if (!line_.empty() && line_.back() == '\r')
            line_.remove_suffix(1);
        pos_ = end + 1;
        ++lineNo_;
        return true;
    }

    static RegistryParseResult fail(RegistryFileStatus status, int line, std::string message)
    {
        RegistryParseResult r;
        r.status = status;
        r.line = line;
        r.message = std::move(message);
        return r;
    }

    RegistryParseResult sectionLine(std::string_view line)
    {
        std::size_t close = line.rfind(']');
        if (close == std::string_view::npos || !trim(line.substr(close + 1)).empty())
            return fail(RegistryFileStatus::Malformed, lineNo_, "section without its closing ']'");
        std::string_view path = line.substr(1, close - 1);
        bool remove = !path.empty() && path.front() == '-';
        if (remove)
            path.remove_prefix(1);
        std::size_t slash = path.find('\\');
        HKEY root = RegistryTree::rootFromName(path.substr(0, slash));
        if (!root)
            return fail(RegistryFileStatus::Malformed, lineNo_, "unknown root key");
        std::string_view rest = slash == std::string_view::npos ? std::string_view() : path.substr(slash + 1);
        std::vector<std::string_view> parts;
        if ((slash != std::string_view::npos && rest.empty()) || !SplitKeyPath(rest, parts))
            return fail(RegistryFileStatus::Malformed, lineNo_, "bad key path");
        if (remove) {
            if (rest.empty())
                tree_.root(root)->clear();
            else
                tree_.remove(root, rest);
            current_ = nullptr;
        } else {
            current_ = tree_.create(root, rest);
        }
        inSection_ = true;
        return {};
    }

    RegistryParseResult valueLine(std::string_view line, int lineNo)
    {
        if (!inSection_)
            return fail(RegistryFileStatus::Malformed, lineNo, "value before the first [key]");
        std::string name;
        if (line.front() == '@') {
            line.remove_prefix(1);
        } else if (!readQuoted(line, name)) {
            return fail(RegistryFileStatus::Malformed, lineNo, "unterminated value name");
        }
        line = trim(line);
        if (line.empty() || line.front() != '=')
            return fail(RegistryFileStatus::Malformed, lineNo, "expected '=' after the value name");
        line = trim(line.substr(1));
        RegistryValue value;
        bool remove = false;
        std::string why;
        if (!readValueData(line, value, remove, why))
            return fail(RegistryFileStatus::Malformed, lineNo, why);
        if (!current_) // values of a deleted key are ignored, as regedit does
            return {};
        if (remove)
            current_->removeValue(name);
        else
            current_->setValue(name, std::move(value));
        return {};
    }

    std::string_view text_;
    RegistryTree& tree_;
    std::size_t pos_ = 0;
    std::string_view line_;
    int lineNo_ = 0;
    bool empty_ = true;
    bool inSection_ = false;
    RegistryKey* current_ = nullptr;
};

void appendQuoted(std::string& out, std::string_view text)
{
    out += '"';
    for (char c : text) {
        if (c == '\\' || c == '"')
            out += '\\';
        if (c == '\n') {
            out += "\\n";
            continue;
        }
        out += c;
    }
    out += '"';
}

// A string value fits the "..." form when it is one zero-terminated run of
// text without carriage returns (a lone CR would not survive line splitting).
bool fitsStringForm(const RegistryValue& v)
{
    if (v.type != REG_SZ || v.data.empty() || v.data.back() != 0)
        return false;
    for (std::size_t i = 0; i + 1 < v.data.size(); ++i)
        if (v.data[i] == 0 || v.data[i] == '\r')
            return false;
    return true;
}

void appendValue(std::string& out, const std::string& name, const RegistryValue& v)
{
    if (name.empty())
        out += '@';
    else
        appendQuoted(out, name);
    out += '=';
    if (fitsStringForm(v)) {
        appendQuoted(out, std::string_view(reinterpret_cast<const char*>(v.data.data()), v.data.size() - 1));
    } else if (v.type == REG_DWORD && v.data.size() == 4) {
        char buf[16];
        const std::uint32_t n = ByteReader(v.data).u32();
        std::snprintf(buf, sizeof buf, "dword:%08x", n);
        out += buf;
    } else {
        char buf[24];
        if (v.type == REG_BINARY)
            out += "hex:";
        else {
            std::snprintf(buf, sizeof buf, "hex(%x):", v.type);
            out += buf;
        }
        std::size_t column = out.size() - out.rfind('\n');
        for (std::size_t i = 0; i < v.data.size(); ++i) {
            std::snprintf(buf, sizeof buf, "%02x", v.data[i]);
            out += buf;
            column += 2;
            if (i + 1 < v.data.size()) {
                out += ',';
                ++column;
                if (column > 76) { // wrap as regedit does, continuing with '\'
                    out += "\\\n  ";
                    column = 2;
                }
            }
        }
    }
    out += '\n';
}

} // namespace

RegistryParseResult RegistryFile::parse(std::string_view text, RegistryTree& tree) { return Parser(text, tree).run(); }

std::string RegistryFile::format(const RegistryTree& tree)
{
    std::string out = "REGEDIT4\n";
    std::function<void(const RegistryKey&, const std::string&, bool)> walk =
        [&](const RegistryKey& key, const std::string& path, bool isRoot) {
        // Roots get a section only when they hold values themselves.
        if (!isRoot || !key.values().empty()) {
            out += "\n[" + path + "]\n";
            if (const RegistryValue* def = key.value(""))
                appendValue(out, "", *def);
            for (const auto& [name, value] : key.values())
                if (!name.empty())
                    appendValue(out, name, value);
        }
        for (const RegistryKey* child : key.children())
            walk(*child, path + "\\" + child->name(), false);
    };
    for (HKEY root : RegistryTree::roots())
        walk(*tree.root(root), RegistryTree::rootName(root), true);
    return out;
}

} // namespace plat
