#include "settings_layout.h"

#include <nlohmann/json.hpp>

#include <algorithm>
#include <cstdint>
#include <deque>

namespace tallyglass {
namespace {

constexpr std::uint32_t none = UINT32_MAX;

// One value of the text: where it stands, its next sibling and, for an array or an object, its
// first child. An object's children alternate key and value.
struct Node {
    std::uint32_t begin = 0, end = 0;
    std::uint32_t next = none, firstChild = none;
};

class Spans {
public:
    explicit Spans(std::string_view text)
        : m_text(text) {
        m_nodes.reserve(text.size() / 8);
        m_root = parseValue();
    }
    std::string_view text(std::uint32_t node) const {
        return m_text.substr(m_nodes[node].begin, m_nodes[node].end - m_nodes[node].begin);
    }
    const Node& operator[](std::uint32_t node) const { return m_nodes[node]; }
    std::uint32_t root() const { return m_root; }

private:
    void skipSpace() {
        while (m_at < m_text.size() &&
               std::string_view(" \t\r\n").find(m_text[m_at]) != std::string_view::npos)
            ++m_at;
    }
    void skipScalar() {
        if (m_text[m_at] == '"') {
            for (++m_at; m_text[m_at] != '"'; ++m_at)
                m_at += m_text[m_at] == '\\';
            ++m_at;
            return;
        }
        while (m_at < m_text.size() &&
               std::string_view(",]} \t\r\n").find(m_text[m_at]) == std::string_view::npos)
            ++m_at;
    }
    std::uint32_t parseValue() {
        skipSpace();
        const auto index = std::uint32_t(m_nodes.size());
        m_nodes.push_back({std::uint32_t(m_at), 0, none, none});
        const char open = m_text[m_at];
        if (open != '{' && open != '[') {
            skipScalar();
        } else {
            ++m_at;
            std::uint32_t last = none;
            for (skipSpace(); m_text[m_at] != (open == '{' ? '}' : ']'); skipSpace()) {
                m_at += m_text[m_at] == ',';
                const std::uint32_t child = parseValue();
                (last == none ? m_nodes[index].firstChild : m_nodes[last].next) = child;
                last = child;
                if (open == '{') {
                    skipSpace();
                    ++m_at; // the colon
                    m_nodes[last].next = parseValue();
                    last = m_nodes[last].next;
                }
            }
            ++m_at;
        }
        m_nodes[index].end = std::uint32_t(m_at);
        return index;
    }

    std::string_view m_text;
    std::size_t m_at = 0;
    std::vector<Node> m_nodes;
    std::uint32_t m_root = none;
};

// A string token as written, when it holds no escape; the library's spelling otherwise, which
// is what the file held since the settings were first written.
void appendString(std::string& out, std::string_view token) {
    std::string canonical;
    if (token.find('\\') != std::string_view::npos) {
        canonical = nlohmann::json(nlohmann::json::parse(token).get<std::string>()).dump();
        token = canonical;
    }
    for (const char c : token) {
        if (c == '/')
            out += '\\';
        out += c;
    }
}

std::string decoded(std::string_view token) {
    if (token.find('\\') == std::string_view::npos)
        return std::string(token.substr(1, token.size() - 2));
    return nlohmann::json::parse(token).get<std::string>();
}

// One of the many members a large file may hold, kept small: none for keyNode means a key
// that the edit adds, none for value the edit's value.
struct Member {
    std::string_view key;
    std::uint32_t keyNode;
    std::uint32_t value;
};

class Writer {
public:
    Writer(const Spans& spans, const SettingsEdit& edit, const Spans& editValue)
        : m_spans(spans)
        , m_edit(edit)
        , m_editValue(editValue) {}

    std::string written() {
        write(m_spans, m_spans.root(), 0, 0);
        return std::move(m_out);
    }

private:
    void indent(int depth) {
        m_out += '\n';
        m_out.append(std::size_t(depth) * 2, ' ');
    }
    // editDepth: how much of the edit's path leads here; past its end, none does.
    void write(const Spans& spans, std::uint32_t node, int depth, std::size_t editDepth) {
        const std::string_view token = spans.text(node);
        if (token[0] == '{')
            writeObject(spans, node, depth, editDepth);
        else if (token[0] == '[')
            writeArray(spans, node, depth);
        else if (token[0] == '"')
            appendString(m_out, token);
        else
            m_out += token;
    }
    void writeArray(const Spans& spans, std::uint32_t node, int depth) {
        if (spans[node].firstChild == none) {
            m_out += "[]";
            return;
        }
        m_out += '[';
        for (std::uint32_t child = spans[node].firstChild; child != none;
             child = spans[child].next) {
            indent(depth + 1);
            write(spans, child, depth + 1, SIZE_MAX);
            if (spans[child].next != none)
                m_out += ',';
        }
        indent(depth);
        m_out += ']';
    }
    std::vector<Member> members(const Spans& spans, std::uint32_t node, std::size_t editDepth);
    void writeObject(const Spans& spans, std::uint32_t node, int depth, std::size_t editDepth);

    const Spans& m_spans;
    const SettingsEdit& m_edit;
    const Spans& m_editValue;
    std::deque<std::string> m_keys; // the decoded keys that were escaped in the text
    std::string m_out;
};

// Sorted, the last of equal keys kept, with the edit's member set or added.
std::vector<Member> Writer::members(const Spans& spans, std::uint32_t node, std::size_t editDepth) {
    std::vector<Member> found;
    for (std::uint32_t key = spans[node].firstChild; key != none;
         key = spans[spans[key].next].next) {
        const std::string_view token = spans.text(key);
        std::string_view name = token.substr(1, token.size() - 2);
        if (name.find('\\') != std::string_view::npos)
            name = m_keys.emplace_back(decoded(token));
        found.push_back({name, key, spans[key].next});
    }
    std::stable_sort(found.begin(), found.end(),
                     [](const Member& a, const Member& b) { return a.key < b.key; });
    const auto last = std::unique(found.rbegin(), found.rend(),
                                  [](const Member& a, const Member& b) { return a.key == b.key; });
    found.erase(found.begin(), last.base());
    if (editDepth + 1 == m_edit.path.size()) {
        const std::string_view key = m_edit.path.back();
        const auto at =
            std::lower_bound(found.begin(), found.end(), key,
                             [](const Member& m, std::string_view k) { return m.key < k; });
        if (at != found.end() && at->key == key)
            at->value = none;
        else
            found.insert(at, {key, none, none});
    }
    return found;
}

void Writer::writeObject(const Spans& spans, std::uint32_t node, int depth, std::size_t editDepth) {
    const std::vector<Member> sorted = members(spans, node, editDepth);
    if (sorted.empty()) {
        m_out += "{}";
        return;
    }
    m_out += '{';
    for (std::size_t i = 0; i < sorted.size(); ++i) {
        const Member& member = sorted[i];
        indent(depth + 1);
        if (member.keyNode == none)
            appendString(m_out, nlohmann::json(member.key).dump());
        else
            appendString(m_out, spans.text(member.keyNode));
        m_out += ": ";
        const bool onPath = editDepth < m_edit.path.size() && member.key == m_edit.path[editDepth];
        if (member.value == none)
            write(m_editValue, m_editValue.root(), depth + 1, SIZE_MAX);
        else
            write(spans, member.value, depth + 1, onPath ? editDepth + 1 : SIZE_MAX);
        if (i + 1 < sorted.size())
            m_out += ',';
    }
    indent(depth);
    m_out += '}';
}

} // namespace

std::optional<std::string> rewrittenSettings(std::string_view text, const SettingsEdit& edit) {
    try {
        const Spans spans(text);
        const Spans editValue(edit.value);
        return Writer(spans, edit, editValue).written();
    } catch (const nlohmann::json::exception&) {
        return std::nullopt;
    }
}

std::optional<std::string_view> topLevelMember(std::string_view text, std::string_view key) {
    const Spans spans(text);
    std::optional<std::string_view> found;
    for (std::uint32_t name = spans[spans.root()].firstChild; name != none;
         name = spans[spans[name].next].next)
        if (decoded(spans.text(name)) == key)
            found = spans.text(spans[name].next);
    return found;
}

} // namespace tallyglass
