#include "core/store/config_document.h"

#include <utility>

#include "core/app/gbk.h"

namespace korvan {
namespace {

constexpr std::string_view kDeclaration = "<?xml version=\"1.0\" encoding=\"gb18030\"?>";
constexpr std::string_view kLineEnd = "\r\n";

bool isBlank(char ch) { return ch == ' ' || ch == '\t' || ch == '\r' || ch == '\n'; }

std::string_view trimBlanks(std::string_view s) {
    while (!s.empty() && isBlank(s.front())) s.remove_prefix(1);
    while (!s.empty() && isBlank(s.back())) s.remove_suffix(1);
    return s;
}

std::string unescape(std::string_view s) {
    static constexpr std::pair<std::string_view, char> kEntities[] = {
        {"&amp;", '&'}, {"&lt;", '<'}, {"&gt;", '>'}, {"&quot;", '"'}, {"&apos;", '\''}};
    std::string out;
    out.reserve(s.size());
    for (size_t i = 0; i < s.size();) {
        if (s[i] == '&') {
            bool matched = false;
            for (auto [entity, ch] : kEntities) {
                if (s.compare(i, entity.size(), entity) == 0) {
                    out += ch;
                    i += entity.size();
                    matched = true;
                    break;
                }
            }
            if (matched) continue;
        }
        out += s[i++];
    }
    return out;
}

// A reader for the documents the writer makes, and for reasonable XML
// around them: declarations, processing instructions, comments, DOCTYPE and
// attributes are skipped. Text is taken raw and unescaped later, and a GBK
// double-byte character is stepped over whole, as the writer copies it.
class Reader {
public:
    explicit Reader(std::string_view text) : in(text) {}

    bool document(XmlNode& root) {
        if (!skipMisc()) return false;
        if (!element(root, 0)) return false;
        if (!skipMisc()) return false;
        return pos == in.size();
    }

private:
    static constexpr int kMaxDepth = 64;

    bool at(std::string_view s) const { return in.compare(pos, s.size(), s) == 0; }

    bool skipPast(std::string_view end) {
        size_t found = in.find(end, pos);
        if (found == std::string_view::npos) return false;
        pos = found + end.size();
        return true;
    }

    // Blanks, <?...?>, <!--...-->, <!DOCTYPE ...> between elements.
    bool skipMisc() {
        for (;;) {
            while (pos < in.size() && isBlank(in[pos])) ++pos;
            if (at("<?")) {
                if (!skipPast("?>")) return false;
            } else if (at("<!--")) {
                if (!skipPast("-->")) return false;
            } else if (at("<!")) {
                if (!skipPast(">")) return false;
            } else {
                return true;
            }
        }
    }

    bool name(std::string& out) {
        size_t start = pos;
        while (pos < in.size()) {
            unsigned char ch = static_cast<unsigned char>(in[pos]);
            if (isGbkLeadByte(ch)) {
                pos = pos + 2 <= in.size() ? pos + 2 : in.size();
                continue;
            }
            if (isBlank(in[pos]) || ch == '/' || ch == '>' || ch == '<' || ch == '=') break;
            ++pos;
        }
        out.assign(in.substr(start, pos - start));
        return !out.empty();
    }

    // Skips attributes up to ">" or "/>"; quoted values may hold anything.
    bool attributes(bool& selfClosing) {
        while (pos < in.size()) {
            char ch = in[pos];
            if (ch == '>') {
                ++pos;
                selfClosing = false;
                return true;
            }
            if (ch == '/' && pos + 1 < in.size() && in[pos + 1] == '>') {
                pos += 2;
                selfClosing = true;
                return true;
            }
            if (ch == '"' || ch == '\'') {
                size_t end = in.find(ch, pos + 1);
                if (end == std::string_view::npos) return false;
                pos = end + 1;
                continue;
            }
            if (ch == '<') return false;
            ++pos;
        }
        return false;
    }

    bool element(XmlNode& node, int depth) {
        if (depth > kMaxDepth || !at("<")) return false;
        ++pos;
        if (!name(node.name)) return false;
        bool selfClosing = false;
        if (!attributes(selfClosing)) return false;
        if (selfClosing) return true;

        std::string raw;
        for (;;) {
            if (pos >= in.size()) return false;
            unsigned char ch = static_cast<unsigned char>(in[pos]);
            if (isGbkLeadByte(ch)) {
                raw += in.substr(pos, 2);
                pos = pos + 2 <= in.size() ? pos + 2 : in.size();
                continue;
            }
            if (ch != '<') {
                raw += static_cast<char>(ch);
                ++pos;
                continue;
            }
            if (at("</")) {
                pos += 2;
                std::string closing;
                if (!name(closing) || closing != node.name) return false;
                while (pos < in.size() && isBlank(in[pos])) ++pos;
                if (pos >= in.size() || in[pos] != '>') return false;
                ++pos;
                node.text = unescape(trimBlanks(raw));
                return true;
            }
            if (at("<!--")) {
                if (!skipPast("-->")) return false;
                continue;
            }
            if (at("<![CDATA[")) {
                size_t end = in.find("]]>", pos);
                if (end == std::string_view::npos) return false;
                raw += in.substr(pos + 9, end - pos - 9);
                pos = end + 3;
                continue;
            }
            if (at("<?")) {
                if (!skipPast("?>")) return false;
                continue;
            }
            XmlNode child;
            if (!element(child, depth + 1)) return false;
            node.children.push_back(std::move(child));
        }
    }

    std::string_view in;
    size_t pos = 0;
};

}  // namespace

std::string xmlEscape(std::string_view text) {
    std::string out;
    out.reserve(text.size());
    for (size_t i = 0; i < text.size(); ++i) {
        unsigned char ch = static_cast<unsigned char>(text[i]);
        if (isGbkLeadByte(ch)) {
            out += static_cast<char>(ch);
            if (i + 1 < text.size()) out += text[++i];
            continue;
        }
        switch (ch) {
            case '&': out += "&amp;"; break;
            case '<': out += "&lt;"; break;
            case '>': out += "&gt;"; break;
            case '"': out += "&quot;"; break;
            case '\'': out += "&apos;"; break;
            default: out += static_cast<char>(ch);
        }
    }
    return out;
}

void ConfigDocument::reset(std::string rootName) {
    top = XmlNode{std::move(rootName), {}, {}};
    hasRoot = true;
}

bool ConfigDocument::appendChild(std::string_view parentPath, std::string name, std::string text) {
    XmlNode* parent = find(parentPath);
    if (!parent) return false;
    parent->children.push_back(XmlNode{std::move(name), std::move(text), {}});
    return true;
}

std::string ConfigDocument::toText() const {
    std::string out(kDeclaration);
    if (!hasRoot) return out;
    const std::string rootName = xmlEscape(top.name);
    out += kLineEnd;
    out += '<' + rootName + '>';
    for (const auto& child : top.children) {
        const std::string childName = xmlEscape(child.name);
        out += kLineEnd;
        out += '\t';
        if (child.text.empty()) {
            out += '<' + childName + "/>";
        } else {
            out += '<' + childName + '>' + xmlEscape(child.text) + "</" + childName + '>';
        }
    }
    out += kLineEnd;
    out += "</" + rootName + '>';
    return out;
}

bool ConfigDocument::parse(std::string_view text) {
    XmlNode parsed;
    Reader reader(text);
    if (!reader.document(parsed)) {
        top = XmlNode{};
        hasRoot = false;
        return false;
    }
    top = std::move(parsed);
    hasRoot = true;
    return true;
}

std::optional<std::string> ConfigDocument::textAt(std::string_view path) const {
    const XmlNode* node = find(path);
    if (!node) return std::nullopt;
    return node->text;
}

const XmlNode* ConfigDocument::find(std::string_view path) const {
    if (!hasRoot) return nullptr;
    size_t slash = path.find('/');
    if (path.substr(0, slash) != top.name) return nullptr;
    const XmlNode* node = &top;
    while (slash != std::string_view::npos) {
        path.remove_prefix(slash + 1);
        slash = path.find('/');
        std::string_view step = path.substr(0, slash);
        const XmlNode* next = nullptr;
        for (const auto& child : node->children) {
            if (child.name == step) {
                next = &child;
                break;
            }
        }
        if (!next) return nullptr;
        node = next;
    }
    return node;
}

XmlNode* ConfigDocument::find(std::string_view path) {
    return const_cast<XmlNode*>(std::as_const(*this).find(path));
}

}  // namespace korvan
