// The engine's exception classes. Each carries a fixed English message; a
// caller that shows errors to a person shows what() as it stands.
#pragma once

#include <stdexcept>
#include <string>

namespace movrel {

// Base of every error the engine raises on purpose.
class EZipError : public std::runtime_error {
public:
    using std::runtime_error::runtime_error;
};

// No end record and the caller assumed a volume of a multi-volume set.
class EIncompleteZip : public EZipError {
public:
    EIncompleteZip() : EZipError("Incomplete Zip File") {}
};

// The archive data ended early or could not be read at all.
class EFatalUnzipError : public EZipError {
public:
    explicit EFatalUnzipError(const std::string& msg = "Premature end of file reached") : EZipError(msg) {}
};

// The user (or a handler) stopped the operation.
class EUserCanceled : public EZipError {
public:
    explicit EUserCanceled(const std::string& msg = "User Aborted Operation") : EZipError(msg) {}
};

// A decoder produced more bytes than the entry's uncompressed size.
class EBiggerThanUncompressed : public EZipError {
public:
    EBiggerThanUncompressed() : EZipError("File is larger than uncompressed size!") {}
};

// The Deflate encoder found a match that is not one.
class EInvalidMatch : public EZipError {
public:
    EInvalidMatch() : EZipError("invalid match") {}
};

// Index, count, capacity and duplicate errors of the engine's lists.
class EListError : public EZipError {
public:
    using EZipError::EZipError;
};

// Assigning between objects of unrelated classes.
class EConvertError : public EZipError {
public:
    using EZipError::EZipError;
};

// A file could not be opened, created, read, written, renamed or removed.
// The message names the file and the system's reason.
class EFileError : public EZipError {
public:
    using EZipError::EZipError;
};

// Seek failures and invalid seek origins of the buffered stream.
class EStreamError : public EZipError {
public:
    using EZipError::EZipError;
};

// A value the format cannot hold (sizes past 4 GiB, more than 65535 entries),
// or an argument outside its range.
class ELimitError : public EZipError {
public:
    using EZipError::EZipError;
};

// Builds "<what> \"<path>\": <strerror(err)>".
std::string SystemErrorText(const std::string& what, const std::string& path, int err);

}  // namespace movrel
