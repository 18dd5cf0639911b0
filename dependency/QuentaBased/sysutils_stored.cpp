#include "sysutils_stored.h"

#include "CBaseException.h"

#include <cerrno>
#include <cstring>
#include <fcntl.h>
#include <sys/stat.h>
#include <unistd.h>
#include <vector>

namespace QuentaBased {

namespace {

class CFdCloser
{
public:
    explicit CFdCloser(int fd) : m_fd(fd) {}
    ~CFdCloser()
    {
        if (m_fd >= 0)
            ::close(m_fd);
    }
    int Release()
    {
        const int fd = m_fd;
        m_fd = -1;
        return fd;
    }
    CFdCloser(const CFdCloser&) = delete;
    CFdCloser& operator=(const CFdCloser&) = delete;

private:
    int m_fd;
};

// Bytes of the UTF-8 character at q (never past end), 0 when there is none.
size_t Utf8Length(const char* q, const char* end)
{
    const unsigned char c = static_cast<unsigned char>(*q);
    if (c < 0x80)
        return 1;
    size_t n;
    unsigned char low = 0x80, high = 0xBF;
    if (c >= 0xC2 && c <= 0xDF) {
        n = 1;
    } else if (c >= 0xE0 && c <= 0xEF) {
        n = 2;
        if (c == 0xE0)
            low = 0xA0;
        else if (c == 0xED)
            high = 0x9F;
    } else if (c >= 0xF0 && c <= 0xF4) {
        n = 3;
        if (c == 0xF0)
            low = 0x90;
        else if (c == 0xF4)
            high = 0x8F;
    } else {
        return 0;
    }
    if (static_cast<size_t>(end - q) <= n)
        return 0;
    for (size_t i = 1; i <= n; ++i) {
        const unsigned char t = static_cast<unsigned char>(q[i]);
        if (t < (i == 1 ? low : 0x80) || t > (i == 1 ? high : 0xBF))
            return 0;
    }
    return n + 1;
}

[[noreturn]] void TooLarge(const std::string& path, uint64_t maxBytes)
{
    QB_THROW(QB_ERR_MEDIA, path + " is larger than " + std::to_string(maxBytes) + " bytes");
}

// One linear pass over XML text. The tokens are cut exactly where the
// system's XML parsers cut them, and every form whose cut could differ is
// refused, so the depth counted here is the depth any parser reaches.
class CXmlScan
{
public:
    CXmlScan(const char* text, size_t length, const StoredXmlBounds& bounds, const std::string& what)
        : m_begin(text), m_p(text), m_end(text + length), m_bounds(bounds), m_what(what)
    {}

    void Run()
    {
        if (Left() >= 3 && std::memcmp(m_p, "\xEF\xBB\xBF", 3) == 0)
            m_p += 3;
        while (m_p < m_end) {
            if (*m_p != '<') {
                Text();
                continue;
            }
            if (Starts("<!--"))
                SkipPast(m_p + 4, "-->", "an unterminated comment");
            else if (Starts("<![CDATA["))
                SkipPast(m_p + 9, "]]>", "an unterminated CDATA section");
            else if (Starts("<!"))
                SkipPast(m_p + 2, ">", "an unterminated declaration");
            else if (StartsNoCase("<?xml"))
                Declaration();
            else if (Starts("<?"))
                SkipPast(m_p + 2, ">", "an unterminated processing instruction");
            else if (Starts("</"))
                EndTag();
            else
                StartTag();
        }
        if (!m_open.empty())
            Fail(m_end, "<" + m_open.back() + "> is not closed");
    }

private:
    size_t Left() const { return static_cast<size_t>(m_end - m_p); }
    bool Starts(const char* s) const
    {
        const size_t n = std::strlen(s);
        return Left() >= n && std::memcmp(m_p, s, n) == 0;
    }
    bool StartsNoCase(const char* s) const
    {
        const size_t n = std::strlen(s);
        return Left() >= n && strncasecmp(m_p, s, n) == 0;
    }

    [[noreturn]] void Fail(const char* at, const std::string& reason) const
    {
        size_t line = 1, column = 1;
        for (const char* q = m_begin; q < at && q < m_end; ++q) {
            if (*q == '\n') {
                ++line;
                column = 1;
            } else if ((static_cast<unsigned char>(*q) & 0xC0) != 0x80) {
                ++column;
            }
        }
        QB_THROW(QB_ERR_MEDIA, "Damaged file " + m_what + ", line " + std::to_string(line) + ", column " +
                                   std::to_string(column) + ": " + reason);
    }

    // Valid UTF-8 only: a parser that reads a multi-byte character by its
    // first byte alone must never step over a '<' or a quote.
    const char* Character(const char* q) const
    {
        if (*q == 0)
            Fail(q, "a NUL byte");
        const size_t n = Utf8Length(q, m_end);
        if (n == 0)
            Fail(q, "text that is not UTF-8");
        return q + n;
    }

    // A character or an entity reference, which must be one the parsers
    // know: they would drop or keep a stray '&' each in their own way.
    const char* Content(const char* q) const
    {
        if (*q != '&')
            return Character(q);
        const char* r = q + 1;
        if (r < m_end && *r == '#') {
            ++r;
            const bool hex = r < m_end && *r == 'x';
            if (hex)
                ++r;
            const char* digits = r;
            while (r < m_end && r - digits < 8 &&
                   ((*r >= '0' && *r <= '9') || (hex && ((*r >= 'a' && *r <= 'f') || (*r >= 'A' && *r <= 'F')))))
                ++r;
            if (r > digits && r < m_end && *r == ';')
                return r + 1;
        } else {
            for (const char* name : {"amp;", "lt;", "gt;", "quot;", "apos;"}) {
                const size_t n = std::strlen(name);
                if (static_cast<size_t>(m_end - r) >= n && std::memcmp(r, name, n) == 0)
                    return r + n;
            }
        }
        Fail(q, "a '&' that is no known character reference");
    }

    // Plain ASCII text, the bulk of every file, goes a byte at a time.
    static bool Plain(char c)
    {
        const unsigned char u = static_cast<unsigned char>(c);
        return u < 0x80 && u != 0 && c != '<' && c != '&';
    }

    void Text()
    {
        while (m_p < m_end && *m_p != '<') {
            while (m_p < m_end && Plain(*m_p))
                ++m_p;
            if (m_p < m_end && *m_p != '<')
                m_p = Content(m_p);
        }
    }

    void SkipPast(const char* from, const char* mark, const char* what)
    {
        const size_t n = std::strlen(mark);
        const char* q = from;
        while (q < m_end) {
            if (static_cast<size_t>(m_end - q) >= n && std::memcmp(q, mark, n) == 0) {
                m_p = q + n;
                return;
            }
            q = Character(q);
        }
        Fail(m_p, what);
    }

    static bool Space(char c) { return c == ' ' || c == '\t' || c == '\r' || c == '\n'; }
    static bool NameStart(char c)
    {
        const unsigned char u = static_cast<unsigned char>(c);
        return (u >= 'a' && u <= 'z') || (u >= 'A' && u <= 'Z') || u == '_' || u >= 0x7F;
    }
    static bool NameChar(char c) { return NameStart(c) || (c >= '0' && c <= '9') || c == '-' || c == '.' || c == ':'; }
    void SkipSpace()
    {
        while (m_p < m_end && Space(*m_p))
            ++m_p;
    }
    std::string Name(const char* what)
    {
        const char* start = m_p;
        if (m_p >= m_end || !NameStart(*m_p))
            Fail(m_p, std::string("a bad ") + what);
        while (m_p < m_end && NameChar(*m_p))
            m_p = Character(m_p);
        return std::string(start, static_cast<size_t>(m_p - start));
    }
    // A quoted value; `strict` also refuses '<', '>', '=' and the other quote.
    void Quoted(bool strict)
    {
        if (m_p >= m_end || (*m_p != '"' && *m_p != '\''))
            Fail(m_p, "an attribute value without quotes");
        const char quote = *m_p;
        const char* start = m_p++;
        while (m_p < m_end && *m_p != quote) {
            if (strict && (*m_p == '<' || *m_p == '>' || *m_p == '=' || *m_p == '"' || *m_p == '\'' || *m_p == '&'))
                Fail(m_p, "a bad declaration");
            if (!strict && Plain(*m_p))
                ++m_p;
            else
                m_p = Content(m_p);
        }
        if (m_p >= m_end)
            Fail(start, "an unterminated attribute value");
        ++m_p;
    }

    // <?xml name="value" ...?> in its plain form only.
    void Declaration()
    {
        const char* start = m_p;
        m_p += 5;
        for (;;) {
            const char* before = m_p;
            SkipSpace();
            if (Starts("?>")) {
                m_p += 2;
                return;
            }
            if (m_p >= m_end)
                Fail(start, "an unterminated declaration");
            if (m_p == before)
                Fail(m_p, "a bad declaration");
            Name("declaration");
            SkipSpace();
            if (m_p >= m_end || *m_p != '=')
                Fail(m_p, "a bad declaration");
            ++m_p;
            SkipSpace();
            Quoted(true);
        }
    }

    void StartTag()
    {
        const char* start = m_p;
        ++m_p;
        std::string name = Name("element name");
        if (++m_elements > m_bounds.maxElements)
            Fail(start, "more than " + std::to_string(m_bounds.maxElements) + " elements");
        uint32_t attributes = 0;
        for (;;) {
            SkipSpace();
            if (m_p >= m_end)
                Fail(start, "an unterminated tag");
            if (*m_p == '/') {
                if (m_end - m_p < 2 || m_p[1] != '>')
                    Fail(m_p, "a bad tag end");
                m_p += 2;
                return;
            }
            if (*m_p == '>') {
                ++m_p;
                if (static_cast<int>(m_open.size()) >= m_bounds.maxDepth)
                    Fail(start, "elements nested more than " + std::to_string(m_bounds.maxDepth) + " deep");
                m_open.push_back(std::move(name));
                return;
            }
            Name("attribute name");
            if (++attributes > m_bounds.maxAttributes)
                Fail(start, "more than " + std::to_string(m_bounds.maxAttributes) + " attributes on <" + name + ">");
            SkipSpace();
            if (m_p >= m_end || *m_p != '=')
                Fail(m_p, "an attribute without a value");
            ++m_p;
            SkipSpace();
            Quoted(false);
        }
    }

    void EndTag()
    {
        const char* start = m_p;
        m_p += 2;
        const std::string name = Name("end tag");
        SkipSpace();
        if (m_p >= m_end || *m_p != '>')
            Fail(m_p, "a bad end tag");
        ++m_p;
        if (m_open.empty() || m_open.back() != name)
            Fail(start, "</" + name + "> closes nothing open");
        m_open.pop_back();
    }

    const char* m_begin;
    const char* m_p;
    const char* m_end;
    const StoredXmlBounds& m_bounds;
    const std::string& m_what;
    std::vector<std::string> m_open;
    uint64_t m_elements = 0;
};

} // namespace

int open_stored_file(const std::string& path, uint64_t maxBytes)
{
    // Non-blocking, so a FIFO in the file's place cannot stop the open.
    const int fd = ::open(path.c_str(), O_RDONLY | O_NONBLOCK | O_CLOEXEC | O_NOCTTY);
    if (fd < 0)
        QB_THROW_ERRNO(QB_ERR_FILE_IO, "open " + path, errno);
    CFdCloser closer(fd);
    struct stat st;
    if (::fstat(fd, &st) != 0)
        QB_THROW_ERRNO(QB_ERR_FILE_IO, "fstat " + path, errno);
    if (!S_ISREG(st.st_mode))
        QB_THROW(QB_ERR_FILE_IO, path + " is not a regular file");
    if (static_cast<uint64_t>(st.st_size) > maxBytes)
        TooLarge(path, maxBytes);
    // Reads of a regular file never wait; the flag is dropped for callers
    // that hand the descriptor on.
    const int flags = ::fcntl(fd, F_GETFL);
    if (flags != -1)
        ::fcntl(fd, F_SETFL, flags & ~O_NONBLOCK);
    return closer.Release();
}

std::string read_stored_file(const std::string& path, uint64_t maxBytes)
{
    const int fd = open_stored_file(path, maxBytes);
    CFdCloser owner(fd);
    std::string text;
    char buffer[65536];
    for (;;) {
        const ssize_t n = ::read(fd, buffer, sizeof buffer);
        if (n < 0) {
            if (errno == EINTR)
                continue;
            QB_THROW_ERRNO(QB_ERR_FILE_IO, "read " + path, errno);
        }
        if (n == 0)
            break;
        // The file may have grown since it was measured.
        if (text.size() + static_cast<size_t>(n) > maxBytes)
            TooLarge(path, maxBytes);
        text.append(buffer, static_cast<size_t>(n));
    }
    return text;
}

void check_stored_xml(const char* text, size_t length, const StoredXmlBounds& bounds, const std::string& what)
{
    if (!text)
        QB_THROW(QB_ERR_BAD_POINTER, "Bad pointer");
    if (length > bounds.maxBytes)
        TooLarge(what, bounds.maxBytes);
    CXmlScan(text, length, bounds, what).Run();
}

bool is_storable_text(const char* text, size_t length)
{
    if (!text)
        return false;
    const char* end = text + length;
    for (const char* q = text; q < end;) {
        const size_t n = *q == 0 ? 0 : Utf8Length(q, end);
        if (n == 0)
            return false;
        q += n;
    }
    return true;
}

std::string read_stored_xml(const std::string& path, const StoredXmlBounds& bounds)
{
    std::string text = read_stored_file(path, bounds.maxBytes);
    check_stored_xml(text.data(), text.size(), bounds, path);
    return text;
}

} // namespace QuentaBased
