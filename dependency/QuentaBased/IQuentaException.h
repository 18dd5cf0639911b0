#pragma once

// The common face of a thrown error and of a thread's last-error record, so
// that either can be read, set, cleared or copied from the other. Records are
// never deleted through this interface.
class IQuentaException
{
public:
    virtual int GetExceptionCode() const = 0;
    // Never null: an empty text when no message is set.
    virtual const char* GetExceptionMsg() const = 0;
    // Writes the line through `line` (must not be null) and returns the file name.
    virtual const char* GetExceptionSource(int* line) const = 0;
    virtual void SetException(int code, const char* msg, int line, const char* file) = 0;
    // Code 0 and empty message; line and source file stay.
    virtual void Clear() = 0;
    virtual void Copy(IQuentaException* src) = 0;

protected:
    ~IQuentaException() = default;
};
