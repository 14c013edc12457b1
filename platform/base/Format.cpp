#include "base/Format.h"

#include "base/Utf.h"


namespace {

// Appends while keeping room for the terminating zero.
class Output {
public:
    explicit Output(char* buffer) : m_buffer(buffer) {}

    void put(char c)
    {
        if (m_length < WSPRINTF_LIMIT - 1)
            m_buffer[m_length++] = c;
    }
    void put(const char* text, std::size_t n)
    {
        for (std::size_t i = 0; i < n; ++i)
            put(text[i]);
    }
    void pad(char c, int n)
    {
        for (int i = 0; i < n; ++i)
            put(c);
    }
    int finish()
    {
        m_buffer[m_length] = '\0';
        return static_cast<int>(m_length);
    }

private:
    char* m_buffer;
    std::size_t m_length = 0;
};

struct Conversion {
    bool left = false;
    bool zero = false;
    bool alternate = false;
    int width = 0;
    int precision = -1;
};

void PutField(Output& out, const Conversion& conv, const char* text, std::size_t n)
{
    const int fill = conv.width > static_cast<int>(n) ? conv.width - static_cast<int>(n) : 0;
    if (!conv.left)
        out.pad(' ', fill);
    out.put(text, n);
    if (conv.left)
        out.pad(' ', fill);
}

void PutNumber(Output& out, const Conversion& conv, unsigned long long value, bool negative, unsigned base,
               bool upper, const char* prefix)
{
    char digits[32];
    int n = 0;
    const char* set = upper ? "0123456789ABCDEF" : "0123456789abcdef";
    do {
        digits[n++] = set[value % base];
        value /= base;
    } while (value != 0);
    const int precisionZeros = conv.precision > n ? conv.precision - n : 0;
    char head[4];
    int headLength = 0;
    if (negative)
        head[headLength++] = '-';
    for (const char* p = prefix; p && *p; ++p)
        head[headLength++] = *p;
    const int length = headLength + precisionZeros + n;
    const int fill = conv.width > length ? conv.width - length : 0;
    if (!conv.left && !conv.zero)
        out.pad(' ', fill);
    out.put(head, static_cast<std::size_t>(headLength));
    if (!conv.left && conv.zero)
        out.pad('0', fill);
    out.pad('0', precisionZeros);
    while (n > 0)
        out.put(digits[--n]);
    if (conv.left)
        out.pad(' ', fill);
}

} // namespace

int wvsprintfA(LPSTR buffer, LPCSTR format, va_list args)
{
    if (!buffer)
        return 0;
    Output out(buffer);
    if (!format)
        return out.finish();
    for (const char* p = format; *p; ++p) {
        if (*p != '%') {
            out.put(*p);
            continue;
        }
        const char* start = p++;
        Conversion conv;
        for (;; ++p) {
            if (*p == '-') conv.left = true;
            else if (*p == '0') conv.zero = true;
            else if (*p == '#') conv.alternate = true;
            else break;
        }
        while (*p >= '0' && *p <= '9')
            conv.width = conv.width * 10 + (*p++ - '0');
        if (*p == '.') {
            ++p;
            conv.precision = 0;
            while (*p >= '0' && *p <= '9')
                conv.precision = conv.precision * 10 + (*p++ - '0');
        }
        char size = 0;
        if (*p == 'l' || *p == 'h') {
            size = *p++;
            if (size == 'l' && *p == 'l') // a 64-bit value is read whole, never cut
                size = 'L', ++p;
        }
        switch (*p) {
        case '%':
            out.put('%');
            break;
        case 'c': {
            char c = static_cast<char>(va_arg(args, int));
            PutField(out, conv, &c, 1);
            break;
        }
        case 'C': {
            char16_t wc = static_cast<char16_t>(va_arg(args, int));
            std::string s = platform::Utf16ToUtf8(std::u16string_view(&wc, 1));
            PutField(out, conv, s.data(), s.size());
            break;
        }
        case 's':
        case 'S': {
            const bool wide = (*p == 'S' && size != 'h') || (*p == 's' && size == 'l');
            std::string converted;
            const char* text;
            std::size_t n;
            if (wide) {
                const char16_t* w = va_arg(args, const char16_t*);
                converted = w ? platform::Utf16ToUtf8(w) : std::string("(null)");
                text = converted.data();
                n = converted.size();
            } else {
                text = va_arg(args, const char*);
                if (!text)
                    text = "(null)";
                n = 0;
                // Stop at the precision without reading past it: the text need not end in a zero.
                while ((conv.precision < 0 || n < static_cast<std::size_t>(conv.precision)) && text[n])
                    ++n;
            }
            if (conv.precision >= 0 && n > static_cast<std::size_t>(conv.precision))
                n = conv.precision;
            PutField(out, conv, text, n);
            break;
        }
        case 'd':
        case 'i': {
            long long v = size == 'L' ? va_arg(args, long long) : va_arg(args, int);
            if (size == 'h')
                v = static_cast<short>(v);
            const bool negative = v < 0;
            const unsigned long long magnitude =
                negative ? 0ULL - static_cast<unsigned long long>(v) : static_cast<unsigned long long>(v);
            PutNumber(out, conv, magnitude, negative, 10, false, nullptr);
            break;
        }
        case 'u':
        case 'x':
        case 'X': {
            unsigned long long v = size == 'L' ? va_arg(args, unsigned long long) : va_arg(args, unsigned int);
            if (size == 'h')
                v = static_cast<unsigned short>(v);
            const bool hex = *p != 'u';
            const char* prefix = nullptr;
            if (hex && conv.alternate && v != 0)
                prefix = *p == 'x' ? "0x" : "0X";
            PutNumber(out, conv, v, false, hex ? 16 : 10, *p == 'X', prefix);
            break;
        }
        case 'p': {
            const auto v = reinterpret_cast<std::uintptr_t>(va_arg(args, void*));
            Conversion full = conv;
            full.precision = static_cast<int>(sizeof(void*) * 2);
            PutNumber(out, full, v, false, 16, true, nullptr);
            break;
        }
        default:
            // Not a conversion: copied as it stands, as the platform does.
            for (const char* q = start; q <= p && *q; ++q)
                out.put(*q);
            if (!*p)
                return out.finish();
            break;
        }
    }
    return out.finish();
}

int wsprintfA(LPSTR buffer, LPCSTR format, ...)
{
    va_list args;
    va_start(args, format);
    const int n = wvsprintfA(buffer, format, args);
    va_end(args);
    return n;
}
