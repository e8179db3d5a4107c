// Error texts of the framework's exceptions: the database error's diagnostic
// lines and origins, the file error's description by cause.
#include "framework/Exception.h"

#include <cerrno>

std::string CException::GetErrorMessage() const {
    return "An unknown error occurred.";
}

const char* CException::what() const noexcept {
    try {
        m_what = GetErrorMessage();
        return m_what.c_str();
    } catch (...) {
        // what() must not throw; an allocation failure leaves a fixed text.
        return "error";
    }
}

CDBException::CDBException(short nRetCode, std::string_view sqlState, std::string_view message)
    : m_nRetCode(nRetCode) {
    AddDiagnostic(sqlState, 0, message);
}

std::string_view CDBException::SplitOrigin(std::string_view message, std::string_view* origin) {
    size_t end = 0;
    while (end < message.size() && message[end] == '[') {
        const size_t close = message.find(']', end);
        if (close == std::string_view::npos) {
            break;
        }
        // "[dbo].[tbl]" at the start is an object name in the message, not an origin.
        if (close + 1 < message.size() && message[close + 1] == '.') {
            break;
        }
        end = close + 1;
    }
    if (origin != nullptr) {
        *origin = message.substr(0, end);
    }
    return message.substr(end);
}

void CDBException::AddDiagnostic(std::string_view sqlState, long nativeError,
                                 std::string_view message) {
    // Drivers sometimes end their text with a line break; each record gets exactly one.
    while (!message.empty() && (message.back() == '\n' || message.back() == '\r')) {
        message.remove_suffix(1);
    }
    std::string_view origin;
    const std::string_view text = SplitOrigin(message, &origin);
    m_strError.append(text).append("\n");
    m_strStateNativeOrigin.append("State:")
        .append(sqlState)
        .append(",Native:")
        .append(std::to_string(nativeError))
        .append(",Origin:")
        .append(origin)
        .append("\n");
    if (!m_bHasRecord) {
        m_bHasRecord = true;
        m_strSQLState = sqlState;
        m_nNativeError = nativeError;
    }
}

std::string CDBException::GetErrorMessage() const {
    return m_strError;
}

namespace {

// Each description has one "%" standing for the file name.
const char* CauseText(int cause) {
    switch (cause) {
    case CFileException::none:
        return "No error occurred while accessing %.";
    case CFileException::fileNotFound:
        return "% was not found.";
    case CFileException::badPath:
        return "% contains an invalid path.";
    case CFileException::tooManyOpenFiles:
        return "% could not be opened because there are too many open files.";
    case CFileException::accessDenied:
        return "Access to % was denied.";
    case CFileException::invalidFile:
        return "An invalid file handle was associated with %.";
    case CFileException::removeCurrentDir:
        return "% could not be removed because it is the current directory.";
    case CFileException::directoryFull:
        return "% could not be created because the directory is full.";
    case CFileException::badSeek:
        return "Seek failed on %.";
    case CFileException::hardIO:
        return "A hardware input/output error was reported while accessing %.";
    case CFileException::sharingViolation:
        return "A sharing violation occurred while accessing %.";
    case CFileException::lockViolation:
        return "A locking violation occurred while accessing %.";
    case CFileException::diskFull:
        return "The disk is full while accessing %.";
    case CFileException::endOfFile:
        return "An attempt was made to access % past its end.";
    default:
        return "An unexpected error occurred while accessing %.";
    }
}

} // namespace

std::string CFileException::GetErrorMessage() const {
    const std::string pattern = CauseText(m_cause);
    const size_t at = pattern.find('%');
    std::string name = m_strFileName;
    if (name.empty()) {
        // A placeholder, unlike a real file name, may be capitalised at a sentence start.
        name = at == 0 ? "An unnamed file" : "an unnamed file";
    }
    return pattern.substr(0, at) + name + pattern.substr(at + 1);
}

int CFileException::OsErrorToException(long lOsError) {
    switch (lOsError) {
    case 0:
        return none;
    case ENOENT:
        return fileNotFound;
    case ENOTDIR:
    case ENAMETOOLONG:
    case ELOOP:
        return badPath;
    case EMFILE:
    case ENFILE:
        return tooManyOpenFiles;
    case EACCES:
    case EPERM:
    case EROFS:
    case EISDIR:
        return accessDenied;
    case EBADF:
        return invalidFile;
    case ESPIPE:
        return badSeek;
    case EIO:
        return hardIO;
    case ETXTBSY:
    case EBUSY:
        return sharingViolation;
    case ENOLCK:
    case EDEADLK:
        return lockViolation;
    case ENOSPC:
    case EDQUOT:
        return diskFull;
    default:
        return genericException;
    }
}

void CFileException::ThrowOsError(long lOsError, const std::string& fileName) {
    throw CFileException(OsErrorToException(lOsError), lOsError, fileName);
}
