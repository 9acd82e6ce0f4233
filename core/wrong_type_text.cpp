#include "wrong_type_text.h"

namespace tallyglass {

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
