#include "common/SecretFile.h"

#include <sys/stat.h>
#include <unistd.h>

namespace secret_file {

Access accessOf(const QString& path) {
    struct stat st {};
    if (::stat(path.toLocal8Bit().constData(), &st) != 0) return Access::Missing;
    if (st.st_uid != ::getuid() || (st.st_mode & (S_IRWXG | S_IRWXO)) != 0) return Access::Shared;
    return Access::Private;
}

}  // namespace secret_file
