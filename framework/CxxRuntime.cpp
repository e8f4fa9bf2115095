// The C++ runtime's failure paths, in the program itself (linked into install.exe only). The
// library's own terminate handler prints the exception's demangled type to a console this program
// does not have (46 KB of demangler), and its std::__throw_* helpers throw the standard exception
// classes, whose message is a copy-on-write string with all of that string's code (50 KB more).
// These do what those do here: terminate aborts, each helper throws an exception with the
// library's message, and the program catches them as it catches any ("...").
#include <bits/functexcept.h>

#include <cstdlib>
#include <exception>
#include <new>

namespace {

class CLibraryError : public std::exception {
public:
    explicit CLibraryError(const char* pszWhat) : m_pszWhat(pszWhat) {}
    const char* what() const noexcept override { return m_pszWhat; }

private:
    const char* m_pszWhat;
};

} // namespace

void __gnu_cxx::__verbose_terminate_handler() {
    std::abort();
}

void std::__throw_bad_alloc() {
    throw std::bad_alloc();
}
void std::__throw_bad_array_new_length() {
    throw std::bad_array_new_length();
}
void std::__throw_length_error(const char* pszWhat) {
    throw CLibraryError(pszWhat);
}
void std::__throw_logic_error(const char* pszWhat) {
    throw CLibraryError(pszWhat);
}
// The format's values are left out of the message.
void std::__throw_out_of_range_fmt(const char* pszFormat, ...) {
    throw CLibraryError(pszFormat);
}
