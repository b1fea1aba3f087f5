// The rich text report read back by an independent reader: a word processor converts it to a
// flat OpenDocument file, which is then checked paragraph by paragraph and run by run.
#include "core/base/text.h"
#include "core/engine/rtf_writer.h"
#include "test_support/temp_dir.h"

#include <gtest/gtest.h>
#include <libxml/parser.h>
#include <libxml/tree.h>

#include <chrono>
#include <cstdio>
#include <cstdlib>
#include <filesystem>
#include <map>
#include <optional>
#include <signal.h>
#include <sys/wait.h>
#include <thread>
#include <unistd.h>
#include <vector>

using namespace swapwright;

namespace {

std::string findOnPath(const std::string& name) {
    const char* path = std::getenv("PATH");
    std::string_view rest = path != nullptr ? path : "";
    while (!rest.empty()) {
        const auto colon = rest.find(':');
        const std::string folder(rest.substr(0, colon));
        rest = colon == std::string_view::npos ? std::string_view() : rest.substr(colon + 1);
        const std::string candidate = folder + "/" + name;
        if (!folder.empty() && ::access(candidate.c_str(), X_OK) == 0)
            return candidate;
    }
    return {};
}

// Runs a program with its output discarded; its exit status, or -1 when it had to be killed.
int runProgram(const std::vector<std::string>& args, std::chrono::seconds timeout) {
    const pid_t pid = ::fork();
    if (pid == 0) {
        std::freopen("/dev/null", "w", stdout);
        std::freopen("/dev/null", "w", stderr);
        std::vector<char*> argv;
        for (const auto& a : args)
            argv.push_back(const_cast<char*>(a.c_str()));
        argv.push_back(nullptr);
        ::execv(argv[0], argv.data());
        ::_exit(127);
    }
    const auto deadline = std::chrono::steady_clock::now() + timeout;
    int status = 0;
    while (::waitpid(pid, &status, WNOHANG) == 0) {
        if (std::chrono::steady_clock::now() > deadline) {
            ::kill(pid, SIGKILL);
            ::waitpid(pid, &status, 0);
            return -1;
        }
        std::this_thread::sleep_for(std::chrono::milliseconds(50));
    }
    return WIFEXITED(status) ? WEXITSTATUS(status) : -1;
}

// How a piece of text looks to the reader.
struct Look {
    std::string color; // "#rrggbb"
    double size = 0;   // points
    bool bold = false;
    friend bool operator==(const Look&, const Look&) = default;
};
std::ostream& operator<<(std::ostream& os, const Look& l) {
    return os << l.color << " " << l.size << "pt" << (l.bold ? " bold" : "");
}

struct Paragraph {
    std::string text; // tabs as \t, line breaks as \n
    Look look;        // the paragraph's own look (what an empty paragraph shows)
    std::vector<std::pair<std::string, Look>> runs;
};

// The flat document's styles and paragraphs.
class FlatDocument {
public:
    explicit FlatDocument(const std::string& fileName) {
        xmlDocPtr doc = xmlReadFile(fileName.c_str(), nullptr, XML_PARSE_NONET);
        if (doc == nullptr)
            return;
        walkStyles(xmlDocGetRootElement(doc));
        walkParagraphs(xmlDocGetRootElement(doc));
        xmlFreeDoc(doc);
        m_read = true;
    }
    bool read() const { return m_read; }
    const std::vector<Paragraph>& paragraphs() const { return m_paragraphs; }

private:
    struct Properties {
        std::optional<std::string> color;
        std::optional<double> size;
        std::optional<bool> bold;
        std::string parent;
    };

    static bool is(xmlNodePtr n, const char* prefix, const char* name) {
        return n->type == XML_ELEMENT_NODE && n->ns != nullptr && n->ns->prefix != nullptr &&
               std::string_view(reinterpret_cast<const char*>(n->ns->prefix)) == prefix &&
               std::string_view(reinterpret_cast<const char*>(n->name)) == name;
    }
    static std::optional<std::string> attribute(xmlNodePtr n, const char* name) {
        for (xmlAttrPtr a = n->properties; a != nullptr; a = a->next) {
            const std::string qualified = a->ns != nullptr && a->ns->prefix != nullptr
                                              ? std::string(reinterpret_cast<const char*>(a->ns->prefix)) + ":" +
                                                    reinterpret_cast<const char*>(a->name)
                                              : reinterpret_cast<const char*>(a->name);
            if (qualified == name) {
                xmlChar* value = xmlNodeGetContent(reinterpret_cast<xmlNodePtr>(a));
                std::string result = value != nullptr ? reinterpret_cast<const char*>(value) : "";
                xmlFree(value);
                return result;
            }
        }
        return std::nullopt;
    }

    void walkStyles(xmlNodePtr n) {
        for (; n != nullptr; n = n->next) {
            if (is(n, "style", "style")) {
                Properties& p = m_styles[attribute(n, "style:name").value_or("")];
                p.parent = attribute(n, "style:parent-style-name").value_or("");
                for (xmlNodePtr c = n->children; c != nullptr; c = c->next) {
                    if (!is(c, "style", "text-properties"))
                        continue;
                    if (auto color = attribute(c, "fo:color"))
                        p.color = *color;
                    if (auto size = attribute(c, "fo:font-size"))
                        p.size = std::strtod(size->c_str(), nullptr);
                    if (auto weight = attribute(c, "fo:font-weight"))
                        p.bold = *weight == "bold";
                }
            } else if (!is(n, "office", "body")) {
                walkStyles(n->children);
            }
        }
    }

    // A style's properties with its parents', then the enclosing paragraph's.
    Look resolve(const std::string& name, const std::string& paragraphStyle = {}) const {
        Properties p;
        for (const std::string* s : {&name, &paragraphStyle})
            for (std::string current = *s; !current.empty();) {
                const auto it = m_styles.find(current);
                if (it == m_styles.end())
                    break;
                if (!p.color)
                    p.color = it->second.color;
                if (!p.size)
                    p.size = it->second.size;
                if (!p.bold)
                    p.bold = it->second.bold;
                current = it->second.parent;
            }
        return {p.color.value_or("?"), p.size.value_or(0), p.bold.value_or(false)};
    }

    // One node's text: tabs as \t, line breaks as \n, blanks spelled out.
    static void collectText(xmlNodePtr n, std::string& out) {
        if (n->type == XML_TEXT_NODE)
            out += reinterpret_cast<const char*>(n->content);
        else if (is(n, "text", "s"))
            out += std::string(std::stoul(attribute(n, "text:c").value_or("1")), ' ');
        else if (is(n, "text", "tab"))
            out += '\t';
        else if (is(n, "text", "line-break"))
            out += '\n';
        else if (n->type == XML_ELEMENT_NODE)
            for (xmlNodePtr c = n->children; c != nullptr; c = c->next)
                collectText(c, out);
    }

    void walkParagraphs(xmlNodePtr n) {
        for (; n != nullptr; n = n->next) {
            if (!is(n, "text", "p")) {
                if (n->type == XML_ELEMENT_NODE)
                    walkParagraphs(n->children);
                continue;
            }
            Paragraph para;
            const std::string style = attribute(n, "text:style-name").value_or("");
            para.look = resolve(style);
            // Each span is a run; text outside spans is a run in the paragraph's look.
            for (xmlNodePtr c = n->children; c != nullptr; c = c->next) {
                std::string text;
                collectText(c, text);
                const bool span = is(c, "text", "span");
                para.runs.push_back({text, resolve(span ? attribute(c, "text:style-name").value_or("") : "", style)});
                para.text += text;
            }
            m_paragraphs.push_back(std::move(para));
        }
    }

    std::map<std::string, Properties> m_styles;
    std::vector<Paragraph> m_paragraphs;
    bool m_read = false;
};

// The text as the reader shows it, in UTF-8: valid UTF-8 as it is, other bytes as code page 1252
// shows them. The reader keeps the five bytes the code page leaves undefined as the private-use
// characters U+F100 + byte.
std::string asReaderShowsIt(std::string_view bytes) {
    const bool utf8 = text::isValidUtf8(bytes);
    static const char16_t k80to9F[32] = {0x20AC, 0,      0x201A, 0x0192, 0x201E, 0x2026, 0x2020, 0x2021,
                                         0x02C6, 0x2030, 0x0160, 0x2039, 0x0152, 0,      0x017D, 0,
                                         0,      0x2018, 0x2019, 0x201C, 0x201D, 0x2022, 0x2013, 0x2014,
                                         0x02DC, 0x2122, 0x0161, 0x203A, 0x0153, 0,      0x017E, 0x0178};
    std::string out;
    for (std::size_t i = 0; i < bytes.size(); ++i) {
        const auto b = static_cast<unsigned char>(bytes[i]);
        if (b == '\r' || b == '\n') {
            if (b == '\r' && i + 1 < bytes.size() && bytes[i + 1] == '\n')
                ++i;
            out += '\n';
            continue;
        }
        unsigned cp = b;
        if (utf8) {
            out += bytes[i];
            continue;
        }
        if (b >= 0x80 && b < 0xA0)
            cp = k80to9F[b - 0x80] != 0 ? k80to9F[b - 0x80] : 0xF100 + b;
        if (cp < 0x80) {
            out += static_cast<char>(cp);
        } else if (cp < 0x800) {
            out += static_cast<char>(0xC0 | (cp >> 6));
            out += static_cast<char>(0x80 | (cp & 0x3F));
        } else {
            out += static_cast<char>(0xE0 | (cp >> 12));
            out += static_cast<char>(0x80 | ((cp >> 6) & 0x3F));
            out += static_cast<char>(0x80 | (cp & 0x3F));
        }
    }
    return out;
}

} // namespace

TEST(RtfReader, AWordProcessorReadsEveryLineWithItsLook) {
    const std::string soffice = findOnPath("soffice");
    if (soffice.empty())
        GTEST_SKIP() << "no soffice on PATH (tools/install-deps --gui-check installs it)";

    std::string high;
    for (int b = 0x80; b <= 0xFF; ++b)
        high += static_cast<char>(b);
    const std::vector<TReportLine> lines = {
        {"", kLookPlain},
        {"Operation Started: 2026-01-02 3:04:05", kLookHeading},
        {"   Count: 3, \t{Form1} -> \\Main\\Form}", kLookFileDetail},
        {"   " + high, kLookError},
        {"   Count: 1, \tGr\xC3\xBC\xC3\x9F""e -> \xE2\x86\x92 \xF0\x9F\x98\x80", kLookFileDetail},
        {"Count: 2, \tline1\r\nline2\rline3\nend -> a  b   c", kLookPlain},
        {"Termination: Normal", kLookPlain},
    };
    const TReportFont font{"Lucida Console", 11};

    test::TempDir dir;
    test::writeFile(dir.path("report.rtf"), ReportRichText(lines, font));
    const int status = runProgram({soffice, "-env:UserInstallation=file://" + dir.path("profile"), "--headless",
                                   "--convert-to", "fodt", "--outdir", dir.root(), dir.path("report.rtf")},
                                  std::chrono::seconds(180));
    ASSERT_EQ(status, 0);
    const FlatDocument doc(dir.path("report.fodt"));
    ASSERT_TRUE(doc.read());

    ASSERT_EQ(doc.paragraphs().size(), lines.size());
    for (std::size_t i = 0; i < lines.size(); ++i) {
        SCOPED_TRACE("line " + std::to_string(i));
        const auto& l = lines[i].Look;
        char color[8];
        std::snprintf(color, sizeof color, "#%02x%02x%02x", l.Color.Red, l.Color.Green, l.Color.Blue);
        const Look expected{color, l.Size == 0 ? font.Size : l.Size, l.Bold};
        const Paragraph& p = doc.paragraphs()[i];
        EXPECT_EQ(p.text, asReaderShowsIt(lines[i].Text));
        if (p.runs.empty()) {
            EXPECT_EQ(p.look, expected);
        }
        for (const auto& [text, look] : p.runs)
            EXPECT_EQ(look, expected) << text;
    }
}
