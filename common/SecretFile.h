#pragma once

#include <QString>

// Files that hold a secret (the e-mail logins, the lab monitor's access token) must be the user's own and
// out of every other user's reach, as ssh and libpq ask of theirs: a secret others may read is no secret.
namespace secret_file {

enum class Access {
    Missing,  // no such file
    Private,  // the user's own, and no one else may read, change or run it (chmod 600 or stricter)
    Shared,   // another user owns it, or others may read, change or run it
};

// A symbolic link is followed: the file it leads to is judged.
Access accessOf(const QString& path);

}  // namespace secret_file
