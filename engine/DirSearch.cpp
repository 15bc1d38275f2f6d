#include "DirSearch.h"

#include "Wildcards.h"

#include <algorithm>
#include <dirent.h>
#include <sys/stat.h>
#include <utility>

namespace movrel {

namespace {

std::vector<TSearchData::TItem> ListDirectory(const std::string& dir)
{
    std::vector<TSearchData::TItem> items;
    DIR* d = ::opendir(dir.empty() ? "." : dir.c_str());
    if (d == nullptr)
        return items;
    while (const dirent* e = ::readdir(d)) {
        std::string name = e->d_name;
        if (name == "." || name == "..")
            continue;
        items.push_back({std::move(name), e->d_type});
    }
    ::closedir(d);
    std::sort(items.begin(), items.end(),
              [](const TSearchData::TItem& a, const TSearchData::TItem& b) { return a.Name < b.Name; });
    return items;
}

// A file name without a dot is matched as if it ended in one, so that "*.*"
// finds it.
bool FileNameMatches(const std::string& mask, const std::string& name)
{
    return IsMatch(mask, name.find('.') == std::string::npos ? name + '.' : name);
}

}  // namespace

TDirSearch::TDirSearch(std::string startPath, bool recurse, std::string mask)
    : m_mask(std::move(mask)), m_recurse(recurse)
{
    if (!startPath.empty() && startPath.back() != '/')
        startPath += '/';
    std::string fixedDir = startPath;
    size_t wild = startPath.find_first_of("*?<>|");
    if (wild != std::string::npos) {
        size_t slash = startPath.rfind('/', wild);
        size_t restStart = (slash == std::string::npos) ? 0 : slash + 1;
        fixedDir = startPath.substr(0, restStart);
        size_t pos = restStart;
        while (pos < startPath.size()) {
            size_t end = startPath.find('/', pos);
            if (end > pos)
                m_dirPatterns.push_back(startPath.substr(pos, end - pos));
            pos = end + 1;
        }
    }
    PushLevel(std::move(fixedDir), m_dirPatterns.empty() ? m_mask : m_dirPatterns[0]);
}

void TDirSearch::PushLevel(std::string dir, std::string pattern)
{
    TSearchData level;
    level.Items = ListDirectory(dir);
    level.NothingFound = level.Items.empty();
    level.Dir = std::move(dir);
    level.Pattern = std::move(pattern);
    m_levels.push_back(std::move(level));
}

std::string TDirSearch::Next(TSearchEntry& entry)
{
    while (!m_levels.empty()) {
        TSearchData& level = m_levels.back();
        if (level.Index >= level.Items.size()) {
            m_levels.pop_back();  // release the listing as soon as it is done
            continue;
        }
        const size_t depth = m_levels.size() - 1;
        const bool wildcardLevel = depth < m_dirPatterns.size();
        TSearchData::TItem item = std::move(level.Items[level.Index++]);
        // A regular file the mask rejects needs no further look.
        bool maskChecked = false;
        if (item.Type == DT_REG && !wildcardLevel) {
            if (!FileNameMatches(level.Pattern, item.Name))
                continue;
            maskChecked = true;
        }
        std::string path = level.Dir + item.Name;
        struct stat st;
        if (::lstat(path.c_str(), &st) != 0)
            continue;  // gone since it was listed
        const bool isLink = S_ISLNK(st.st_mode);
        if (isLink && ::stat(path.c_str(), &st) != 0)
            continue;  // dangling link
        const bool isDir = S_ISDIR(st.st_mode);
        const bool descendable = isDir && !isLink && item.Name[0] != '.';

        if (wildcardLevel) {
            if (!descendable || !IsMatch(level.Pattern, item.Name))
                continue;
            std::string next = depth + 1 < m_dirPatterns.size() ? m_dirPatterns[depth + 1] : m_mask;
            PushLevel(path + '/', std::move(next));
            continue;
        }
        if (isDir) {
            if (m_recurse && descendable)
                PushLevel(path + '/', m_mask);
            continue;
        }
        if (!maskChecked && !FileNameMatches(level.Pattern, item.Name))
            continue;
        entry.Name = std::move(item.Name);
        entry.Attributes = TSearchEntry::faArchive;
        if ((st.st_mode & S_IWUSR) == 0)
            entry.Attributes |= TSearchEntry::faReadOnly;
        entry.Size = static_cast<uint64_t>(st.st_size);
        entry.ModTime = st.st_mtime;
        return path;
    }
    return std::string();
}

}  // namespace movrel
