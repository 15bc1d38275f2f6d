#include "FileCopy.h"

#include <filesystem>
#include <random>
#include <system_error>

namespace movrel {

namespace fs = std::filesystem;

namespace {

fs::path PathOf(const QString& name)
{
    return fs::path(name.toStdString());
}

}  // namespace

bool IsSameFile(const QString& a, const QString& b)
{
    std::error_code ec;
    return fs::equivalent(PathOf(a), PathOf(b), ec) && !ec;
}

QString CopyFileReplacing(const QString& source, const QString& target)
{
    if (IsSameFile(source, target))
        return {};
    fs::path to = PathOf(target);
    std::error_code ec;
    if (fs::is_symlink(to, ec)) {
        to = fs::weakly_canonical(to, ec);  // the link stays; its target gets the copy
        if (ec)
            return QString::fromStdString(ec.message());
    }

    std::random_device random;
    fs::path temp;
    for (int attempt = 0; attempt < 100; ++attempt) {
        temp = to.parent_path() / (".movrel-copy-" + std::to_string(random() % 1000000));
        if (!fs::exists(temp, ec))
            break;
    }
    auto fail = [&](const std::error_code& e) {
        std::error_code ignore;
        fs::remove(temp, ignore);
        return QString::fromStdString(e.message());
    };
    if (!fs::copy_file(PathOf(source), temp, fs::copy_options::none, ec))
        return fail(ec);
    fs::last_write_time(temp, fs::last_write_time(PathOf(source), ec), ec);  // kept when it can be
    fs::rename(temp, to, ec);
    if (ec)
        return fail(ec);
    return {};
}

}  // namespace movrel
