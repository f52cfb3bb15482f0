#include "tests/support/standard_curves.h"

#include <gtest/gtest.h>

#include <cctype>
#include <fstream>
#include <map>
#include <memory>
#include <sstream>
#include <stdexcept>

#include "tests/support/vectors.h"

namespace testsupport {

namespace {

// Just enough JSON for the data file: objects, arrays, strings, integers.
struct Json {
    enum Kind { kNull, kNumber, kString, kArray, kObject } kind = kNull;
    long long number = 0;
    std::string text;
    std::vector<Json> items;
    std::map<std::string, Json> fields;

    const Json* get(const std::string& key) const {
        auto it = fields.find(key);
        return it == fields.end() ? nullptr : &it->second;
    }
};

class Reader {
   public:
    explicit Reader(std::string s) : m_s(std::move(s)) {}
    Json value() {
        skip();
        if (m_i >= m_s.size()) fail("unexpected end");
        const char c = m_s[m_i];
        Json j;
        if (c == '{') {
            j.kind = Json::kObject;
            ++m_i;
            skip();
            if (peek() == '}') {
                ++m_i;
                return j;
            }
            for (;;) {
                skip();
                std::string key = string();
                skip();
                expect(':');
                j.fields[key] = value();
                skip();
                if (peek() == ',') {
                    ++m_i;
                    continue;
                }
                expect('}');
                return j;
            }
        }
        if (c == '[') {
            j.kind = Json::kArray;
            ++m_i;
            skip();
            if (peek() == ']') {
                ++m_i;
                return j;
            }
            for (;;) {
                j.items.push_back(value());
                skip();
                if (peek() == ',') {
                    ++m_i;
                    continue;
                }
                expect(']');
                return j;
            }
        }
        if (c == '"') {
            j.kind = Json::kString;
            j.text = string();
            return j;
        }
        if (c == '-' || std::isdigit(static_cast<unsigned char>(c))) {
            size_t used = 0;
            j.kind = Json::kNumber;
            j.number = std::stoll(m_s.substr(m_i), &used);
            m_i += used;
            return j;
        }
        for (const char* word : {"true", "false", "null"})
            if (m_s.compare(m_i, std::char_traits<char>::length(word), word) == 0) {
                m_i += std::char_traits<char>::length(word);
                return j;
            }
        fail("unexpected character");
        return j;
    }

   private:
    char peek() const { return m_i < m_s.size() ? m_s[m_i] : '\0'; }
    void skip() {
        while (m_i < m_s.size() && std::isspace(static_cast<unsigned char>(m_s[m_i]))) ++m_i;
    }
    void expect(char c) {
        if (peek() != c) fail(std::string("expected ") + c);
        ++m_i;
    }
    std::string string() {
        expect('"');
        std::string out;
        while (m_i < m_s.size() && m_s[m_i] != '"') {
            if (m_s[m_i] == '\\' && m_i + 1 < m_s.size()) ++m_i;
            out.push_back(m_s[m_i++]);
        }
        expect('"');
        return out;
    }
    [[noreturn]] void fail(const std::string& what) const {
        throw std::runtime_error("standard-curves.json at " + std::to_string(m_i) + ": " + what);
    }
    std::string m_s;
    size_t m_i = 0;
};

std::string text_of(const Json& obj, const char* key) {
    const Json* v = obj.get(key);
    return v && v->kind == Json::kString ? v->text : std::string();
}

std::vector<StandardCurve> load() {
    std::ifstream in(data_path("standard-curves.json"));
    if (!in) throw std::runtime_error("cannot open " + data_path("standard-curves.json"));
    std::stringstream ss;
    ss << in.rdbuf();
    const Json root = Reader(ss.str()).value();
    std::vector<StandardCurve> out;
    const Json* curves = root.get("curves");
    if (curves == nullptr) throw std::runtime_error("standard-curves.json: no curves");
    for (const Json& c : curves->items) {
        StandardCurve s;
        s.name = text_of(c, "name");
        s.fips = text_of(c, "fips");
        s.binary = text_of(c, "field") == "GF(2^m)";
        if (const Json* m = c.get("m")) s.m = static_cast<int>(m->number);
        if (const Json* e = c.get("poly_exponents"))
            for (const Json& x : e->items) s.poly_exponents.push_back(static_cast<int>(x.number));
        s.p = text_of(c, "p");
        s.a = text_of(c, "a");
        s.b = text_of(c, "b");
        s.gx = text_of(c, "Gx");
        s.gy = text_of(c, "Gy");
        s.n = text_of(c, "n");
        if (const Json* h = c.get("h")) s.h = static_cast<int>(h->number);
        out.push_back(s);
    }
    return out;
}

}  // namespace

const std::vector<StandardCurve>& standard_curves() {
    static const std::vector<StandardCurve> curves = load();
    return curves;
}

const StandardCurve& standard_curve(const std::string& name) {
    for (const auto& c : standard_curves())
        if (c.name == name || c.fips == name) return c;
    throw std::runtime_error("no standard curve " + name);
}

}  // namespace testsupport
