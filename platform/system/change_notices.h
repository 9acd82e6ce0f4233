#pragma once

#include <functional>
#include <string>

namespace tallyglass {

// The kernel's notices of changes in watched folders, where the system has them; elsewhere
// open() fails and the caller walks the folders instead.
class ChangeNotices {
public:
    // What a watch reports besides the names made, deleted and moved in its folder and
    // changes of their attributes: writes to files in it too, or not.
    enum class Scope { withWrites, namesOnly };

    struct Notice {
        int watch = -1;
        std::string name; // empty for the watched folder itself
        bool isFolder = false;
        // The watched folder itself is deleted or moved away, or its watch was dropped.
        bool gone = false;
        // The contents or attributes of the named entry changed (rather than its name).
        bool written = false;
    };

    ChangeNotices() = default;
    ~ChangeNotices();
    ChangeNotices(const ChangeNotices&) = delete;
    ChangeNotices& operator=(const ChangeNotices&) = delete;

    // Whether notices can be had; true at once when already open.
    bool open();
    // Ends every watch and drops the notices not yet read.
    void close();

    // A watch on the folder at path (following a symbolic link there when followLink), or -1
    // with errno telling why. Watching a folder twice gives its watch again.
    int watch(const std::string& path, Scope scope, bool followLink);
    // Harmless on a watch the kernel already dropped.
    void unwatch(int watch);

    // Hands each pending notice to onNotice, without waiting for more. False when notices
    // were lost (a full queue) or could not be read: what is watched must be looked at anew.
    bool drain(const std::function<void(const Notice&)>& onNotice);

private:
    int m_fd = -1;
};

// Whether changes to the file system that holds path (or the open file) bring notices. Those
// made elsewhere on network and FUSE file systems bring none. True when it cannot be told.
bool bringsChangeNotices(const std::string& path);
bool bringsChangeNotices(int fd);

} // namespace tallyglass
