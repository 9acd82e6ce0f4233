#include "json_position.h"

#include <nlohmann/json.hpp>

#include <algorithm>

namespace tallyglass {
namespace {

using Json = nlohmann::json;

// Accepts every value and remembers where parsing failed. Events only: no tree is built, so
// neither size nor nesting costs memory. A parser callback for a depth limit made the library
// rescan the parent after each child: 333,000 empty objects in one array took 15 s.
struct ErrorFinder : nlohmann::json_sax<Json> {
    explicit ErrorFinder(int limit)
        : maximumDepth(limit) {}
    int maximumDepth;
    int depth = 0;
    bool tooDeep = false;
    std::size_t failedAt = 0;

    bool enter() {
        tooDeep = ++depth > maximumDepth;
        return !tooDeep;
    }
    bool leave() {
        --depth;
        return true;
    }
    bool null() override { return true; }
    bool boolean(bool) override { return true; }
    bool number_integer(number_integer_t) override { return true; }
    bool number_unsigned(number_unsigned_t) override { return true; }
    bool number_float(number_float_t, const string_t&) override { return true; }
    bool string(string_t&) override { return true; }
    bool binary(binary_t&) override { return true; }
    bool start_object(std::size_t) override { return enter(); }
    bool key(string_t&) override { return true; }
    bool end_object() override { return leave(); }
    bool start_array(std::size_t) override { return enter(); }
    bool end_array() override { return leave(); }
    bool parse_error(std::size_t position, const std::string&,
                     const nlohmann::detail::exception&) override {
        failedAt = position;
        return false;
    }
};

// The position of the byte at offset.
TextPosition positionOf(std::string_view bytes, std::size_t offset) {
    offset = std::min(offset, bytes.size());
    TextPosition position;
    const std::size_t lineStart = bytes.rfind('\n', offset == 0 ? 0 : offset - 1);
    const std::size_t from = offset == 0 || lineStart == std::string_view::npos ? 0 : lineStart + 1;
    position.line = 1 + int(std::count(bytes.begin(), bytes.begin() + std::ptrdiff_t(from), '\n'));
    // UTF-8 continuation bytes belong to the character before them.
    for (std::size_t i = from; i < offset; ++i)
        position.column += (static_cast<unsigned char>(bytes[i]) & 0xC0) != 0x80;
    return position;
}

} // namespace

JsonCheck checkJson(std::string_view bytes, int maximumDepth) {
    // The library skips a byte order mark and ends the text at a NUL byte.
    if (bytes.starts_with("\xEF\xBB\xBF"))
        return {TextPosition{}, false};
    const std::size_t nul = bytes.find('\0');
    ErrorFinder finder(maximumDepth);
    const std::string_view parsed = bytes.substr(0, nul);
    if (!Json::sax_parse(parsed.begin(), parsed.end(), &finder, Json::input_format_t::json, true,
                         false)) {
        if (finder.tooDeep)
            return {std::nullopt, true};
        return {positionOf(bytes, finder.failedAt == 0 ? 0 : finder.failedAt - 1), false};
    }
    if (nul != std::string_view::npos)
        return {positionOf(bytes, nul), false};
    return {};
}

std::string wrongTypeText(std::string_view member, std::string_view typeName,
                          std::string_view expected) {
    const std::string_view article = typeName == "null"                            ? ""
                                     : typeName == "object" || typeName == "array" ? "an "
                                                                                   : "a ";
    const std::string subject = member.empty() ? "the top level" : '"' + std::string(member) + '"';
    return subject + " is " + std::string(article) + std::string(typeName) + ", expected " +
           std::string(expected);
}

} // namespace tallyglass
