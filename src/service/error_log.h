#pragma once
// ErrorLog.txt in the program folder: what went wrong during unattended acquisitions.
// CP932 lines ending in CR LF; a start-up line "ソフト起動：yyyy/mm/dd hh:nn:ss" followed by
// the program folder, and error lines "【エラー】hh:nn:ss：message". The file keeps the
// last 100 lines of earlier runs at every start and grows until the next one.

#include <filesystem>
#include <string>
#include <string_view>
#include <vector>

#include "text/date_time.h"

namespace tidemark {

class ErrorLog {
public:
    // Lines of earlier runs kept at a start.
    static constexpr std::size_t kKeptLines = 100;

    explicit ErrorLog(std::filesystem::path programFolder);

    const std::filesystem::path& path() const { return m_path; }

    // The lines as last loaded or saved (the main window's error-log list), CP932.
    std::vector<std::string> lines() const { return m_lines; }

    // Loads the file when it exists, keeps its last 100 lines, adds the start-up line and
    // the program-folder line and saves the file (creating it). Throws text::FileError.
    void startUp(const text::DateTime& now, std::string_view programFolderCp932);

    // Reloads the file, so that lines another writer added survive, adds an error line
    // with the time of `now` and saves. A line break inside the message becomes a blank,
    // so one failure is always one line. Throws text::FileError, also when the file has
    // disappeared since the start: the failing step then ends with that error.
    void append(std::string_view messageCp932, const text::DateTime& now);

private:
    void load();
    void save() const;

    std::filesystem::path m_path;
    std::vector<std::string> m_lines;
};

} // namespace tidemark
