// The setup program's versions of the C++ library's throw helpers (std::__throw_*).
//
// The library's own helpers build std::logic_error and its relatives, whose message is a
// reference-counted string of the library's older string implementation: linking them brings
// that whole string implementation and its unwind tables along (about 45 KB of the program),
// for failures that only a programming error can cause (an index past the end, a string
// longer than the address space). These helpers throw a small exception that keeps the
// library's message as it is, so every handler that catches std::exception still reports it.
// Failures of their own kind (memory, casts) keep their standard exception types.
#include <cstdarg>
#include <cstddef>
#include <exception>
#include <new>
#include <typeinfo>

namespace {

// A failure detected by the C++ library; what() is the library's message text.
class CLibraryFailure : public std::exception {
public:
    CLibraryFailure() noexcept { m_text[0] = '\0'; }
    const char* what() const noexcept override { return m_text; }

    // Appends the message, with the library's own conversions (%s, %zu, %%) filled in and
    // cut to the room there is.
    void AppendFormatted(const char* format, va_list args) noexcept {
        for (const char* p = format; *p != '\0'; ++p) {
            if (p[0] == '%' && p[1] == 's') {
                const char* text = va_arg(args, const char*);
                Append(text != nullptr ? text : "");
                ++p;
            } else if (p[0] == '%' && p[1] == 'z' && p[2] == 'u') {
                AppendNumber(va_arg(args, std::size_t));
                p += 2;
            } else if (p[0] == '%' && p[1] == '%') {
                AppendChar('%');
                ++p;
            } else {
                AppendChar(*p);
            }
        }
    }
    void Append(const char* text) noexcept {
        while (*text != '\0') {
            AppendChar(*text++);
        }
    }

private:
    void AppendNumber(std::size_t value) noexcept {
        char digits[24];
        std::size_t count = 0;
        do {
            digits[count++] = static_cast<char>('0' + value % 10);
            value /= 10;
        } while (value != 0);
        while (count > 0) {
            AppendChar(digits[--count]);
        }
    }
    void AppendChar(char c) noexcept {
        if (m_length + 1 < sizeof m_text) {
            m_text[m_length++] = c;
            m_text[m_length] = '\0';
        }
    }

    char m_text[256];
    std::size_t m_length = 0;
};

[[noreturn]] void ThrowLibraryFailure(const char* message) {
    CLibraryFailure failure;
    failure.Append(message != nullptr ? message : "C++ library failure");
    throw failure;
}

} // namespace

namespace std {

void __throw_bad_exception() {
    throw bad_exception();
}
void __throw_bad_alloc() {
    throw bad_alloc();
}
void __throw_bad_array_new_length() {
    throw bad_array_new_length();
}
void __throw_bad_cast() {
    throw bad_cast();
}
void __throw_bad_typeid() {
    throw bad_typeid();
}
void __throw_logic_error(const char* message) {
    ThrowLibraryFailure(message);
}
void __throw_domain_error(const char* message) {
    ThrowLibraryFailure(message);
}
void __throw_invalid_argument(const char* message) {
    ThrowLibraryFailure(message);
}
void __throw_length_error(const char* message) {
    ThrowLibraryFailure(message);
}
void __throw_out_of_range(const char* message) {
    ThrowLibraryFailure(message);
}
void __throw_out_of_range_fmt(const char* format, ...) {
    CLibraryFailure failure;
    va_list args;
    va_start(args, format);
    failure.AppendFormatted(format, args);
    va_end(args);
    throw failure;
}
void __throw_runtime_error(const char* message) {
    ThrowLibraryFailure(message);
}
void __throw_range_error(const char* message) {
    ThrowLibraryFailure(message);
}
void __throw_overflow_error(const char* message) {
    ThrowLibraryFailure(message);
}
void __throw_underflow_error(const char* message) {
    ThrowLibraryFailure(message);
}

} // namespace std
