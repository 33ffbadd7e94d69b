#include "AdminCommands.h"

#include "ServerContext.h"

#include <iostream>

namespace {

int failure(const std::string &message)
{
    std::cerr << "vendra-server: " << message << "\n";
    return 2;
}

// The first line of standard input, without its line ending.
bool readPassword(std::string &password)
{
    if (!std::getline(std::cin, password))
        password.clear();
    if (!password.empty() && password.back() == '\r')
        password.pop_back();
    return !password.empty();
}

// Applies --rights, --quota, --description, --email; notes --password. False on a bad option.
bool applyUserOptions(const std::vector<std::string> &args, size_t from, User &user, bool &newPassword,
                      std::string &error)
{
    for (size_t i = from; i < args.size(); ++i) {
        const std::string &option = args[i];
        if (option == "--password") {
            newPassword = true;
            continue;
        }
        if (i + 1 >= args.size()) {
            error = "unknown option or missing value: " + option;
            return false;
        }
        const std::string &value = args[++i];
        if (option == "--rights") {
            const auto rights = Rights::parse(value);
            if (!rights) {
                error = "unknown right in " + value;
                return false;
            }
            user.rights = *rights;
        } else if (option == "--quota") {
            const auto quota = parseByteSize(value);
            if (!quota) {
                error = "--quota expects a size such as 500M or 10G, got " + value;
                return false;
            }
            user.quota = *quota;
        } else if (option == "--description") {
            user.description = value;
        } else if (option == "--email") {
            user.email = value;
        } else {
            error = "unknown option " + option;
            return false;
        }
    }
    return true;
}

int userCommand(ServerContext &context, const std::vector<std::string> &args)
{
    const std::string verb = args.size() > 1 ? args[1] : std::string();
    if (verb == "list" && args.size() == 2) {
        for (const User &user : context.users.list()) {
            const StorageUsage usage = context.albums.usage(user.id);
            std::cout << user.name << "\tquota=" << user.quota << "\tused=" << usage.bytes
                      << "\tfiles=" << usage.files << "\trights=" << user.rights.toString() << "\n";
        }
        return 0;
    }
    if (args.size() < 3)
        return failure("usage: user add|set|remove NAME [options], user list (see --help)");
    const std::string &name = args[2];
    std::string error;
    if (verb == "add") {
        User user;
        user.name = name;
        user.rights = Rights::everything();
        user.quota = uint64_t(10) << 30;
        bool ignored = false;
        if (!applyUserOptions(args, 3, user, ignored, error))
            return failure(error);
        std::string password;
        if (!readPassword(password))
            return failure("give the password on the first line of standard input");
        if (!context.users.add(user, password, error))
            return failure(error);
        std::cout << "added user " << name << "\n";
        return 0;
    }
    auto user = context.users.find(name);
    if (!user)
        return failure("no user " + name);
    if (verb == "set") {
        bool newPassword = false;
        if (!applyUserOptions(args, 3, *user, newPassword, error))
            return failure(error);
        std::string password;
        if (newPassword && !readPassword(password))
            return failure("give the password on the first line of standard input");
        context.users.update(*user);
        if (newPassword)
            context.users.setPassword(user->id, password);
        std::cout << "updated user " << name << "\n";
        return 0;
    }
    if (verb == "remove" && args.size() == 3) {
        context.users.remove(name);
        context.albums.removeUserFiles(name);
        std::cout << "removed user " << name << " with all albums and files\n";
        return 0;
    }
    return failure("unknown user command (see --help)");
}

int albumCommand(ServerContext &context, const std::vector<std::string> &args)
{
    if (args.size() < 4 || args[1] != "flags")
        return failure("usage: album flags USER ALBUM/PATH [create-under=0|1] [delete=0|1] [rename=0|1]");
    const auto user = context.users.find(args[2]);
    if (!user)
        return failure("no user " + args[2]);
    auto album = context.albums.albumByPath(user->id, args[3]);
    if (!album)
        return failure("no album " + args[3]);
    for (size_t i = 4; i < args.size(); ++i) {
        const std::string &setting = args[i];
        const size_t equals = setting.find('=');
        const std::string key = setting.substr(0, equals);
        const std::string value = equals == std::string::npos ? std::string() : setting.substr(equals + 1);
        if (value != "0" && value != "1")
            return failure("expected NAME=0 or NAME=1, got " + setting);
        const bool on = value == "1";
        if (key == "create-under")
            album->canCreateUnder = on;
        else if (key == "delete")
            album->canDelete = on;
        else if (key == "rename")
            album->canRename = on;
        else
            return failure("unknown album flag " + key);
    }
    context.albums.setAlbumFlags(album->id, album->canCreateUnder, album->canDelete, album->canRename);
    std::cout << args[3] << "\tcreate-under=" << album->canCreateUnder << "\tdelete=" << album->canDelete
              << "\trename=" << album->canRename << "\n";
    return 0;
}

} // namespace

int runAdminCommand(ServerContext &context, const std::vector<std::string> &command)
{
    if (command.front() == "user")
        return userCommand(context, command);
    if (command.front() == "album")
        return albumCommand(context, command);
    return failure("unknown command " + command.front() + " (see --help)");
}
