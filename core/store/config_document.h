#pragma once

#include <optional>
#include <string>
#include <string_view>
#include <vector>

namespace korvan {

struct XmlNode {
    std::string name;
    std::string text;
    std::vector<XmlNode> children;
};

// The small XML document Remote.db holds: one root whose children carry
// plain text. Names and texts are GBK bytes. A path is names joined by "/":
// the first must be the root's name, each further one selects the first
// child of that name ("主机参数/Count"). Names may contain ":".
class ConfigDocument {
public:
    // Starts a new document with an empty root of that name.
    void reset(std::string rootName);
    // Appends a child under the element at `parentPath`; false when there is
    // no such element.
    bool appendChild(std::string_view parentPath, std::string name, std::string text);
    // The document text, byte for byte the stored form: declaration, CR LF,
    // root, each child on its own line after one TAB, no final line end.
    std::string toText() const;
    // Replaces the document by the one in `text`; false (and an empty
    // document) when it cannot be read.
    bool parse(std::string_view text);
    // Text of the element at `path` (leading and trailing blanks removed and
    // the five entities decoded), or nullopt when there is none.
    std::optional<std::string> textAt(std::string_view path) const;

    bool empty() const { return !hasRoot; }
    const XmlNode& root() const { return top; }

private:
    const XmlNode* find(std::string_view path) const;
    XmlNode* find(std::string_view path);

    XmlNode top;
    bool hasRoot = false;
};

// The five XML escapes, leaving GBK double-byte characters whole.
std::string xmlEscape(std::string_view text);

}  // namespace korvan
