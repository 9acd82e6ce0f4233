#pragma once

#include <QString>

#include <optional>

namespace tallyglass {

// The statusline helper in Claude Code, as the panel offers to take it out and to let it
// back in. The user's choice is kept across starts.
class HelperSwitch {
public:
    virtual ~HelperSwitch() = default;

    // False once the user removed the helper, until they ask for it again.
    virtual bool isWanted() const = 0;
    // Puts back the user's own status line, deletes the helper's files and stops adding it.
    // A sentence telling why, when the settings could not be put back; nothing is lost then.
    virtual std::optional<QString> remove() = 0;
    // Lets the next preparation of the Claude source add the helper again.
    virtual void allow() = 0;
    // Takes the helper out of one Claude folder that is no longer watched, whatever the
    // choice: nothing would take it out later. A sentence telling why, when it could not.
    virtual std::optional<QString> removeFromFolder(const QString& folder) = 0;
};

} // namespace tallyglass
