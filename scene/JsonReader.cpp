#include "scene/JsonReader.h"

#include <cctype>
#include <cerrno>
#include <cstdint>
#include <cstdio>
#include <cstring>
#include <new>
#include <set>
#include <vector>

#include "base/Excerpt.h"
#include "sandbox/NumberText.h"

namespace scene {

using nlohmann::json;

namespace {

// Builds the document like nlohmann's own DOM parser, but refuses duplicate
// keys (the library would silently keep the last) and deep nesting, and
// keeps the position of a syntax error.
class CheckingSax : public nlohmann::json_sax<json> {
  public:
    explicit CheckingSax(json& root) : dom_(root, false) {}

    bool null() override { return value() && dom_.null(); }
    bool boolean(bool v) override { return value() && dom_.boolean(v); }
    bool number_integer(number_integer_t v) override { return value() && dom_.number_integer(v); }
    bool number_unsigned(number_unsigned_t v) override {
        return value() && dom_.number_unsigned(v);
    }
    bool number_float(number_float_t v, const string_t& s) override {
        return value() && dom_.number_float(v, s);
    }
    bool string(string_t& v) override { return value() && dom_.string(v); }
    bool binary(binary_t& v) override { return value() && dom_.binary(v); }

    bool start_object(std::size_t n) override {
        if (!value() || !open(false)) return false;
        return dom_.start_object(n);
    }
    bool key(string_t& k) override {
        Level& top = stack_.back();
        if (!top.keys.insert(k).second) {
            error_ = "at " + member(pathOf(stack_.size() - 1), k) + ": duplicate key " +
                     sandbox::jsonString(base::excerpt(k));
            error_ += " (each key may appear once per object)";
            return false;
        }
        top.key = k;
        return dom_.key(k);
    }
    bool end_object() override {
        stack_.pop_back();
        return dom_.end_object();
    }
    bool start_array(std::size_t n) override {
        if (!value() || !open(true)) return false;
        return dom_.start_array(n);
    }
    bool end_array() override {
        stack_.pop_back();
        return dom_.end_array();
    }

    bool parse_error(std::size_t position, const std::string&,
                     const nlohmann::detail::exception& e) override {
        std::string what = e.what();
        // "[json.exception.parse_error.101] parse error at line 1, column 2: ..."
        const auto at = what.find("at line ");
        error_ = at == std::string::npos ? what : what.substr(at + 3);
        if (at == std::string::npos) error_ = "byte " + std::to_string(position) + ": " + what;
        return false;
    }

    const std::string& error() const { return error_; }

  private:
    struct Level {
        bool isArray = false;
        std::size_t count = 0;  // arrays: values seen so far
        std::string key;        // objects: the current key
        std::set<std::string, std::less<>> keys;
    };

    // Called at the start of every value: counts array elements.
    bool value() {
        if (stack_.empty() || !stack_.back().isArray) return true;
        if (++stack_.back().count <= kMaxJsonArrayLength) return true;
        const std::string path = pathOf(stack_.size() - 1);
        error_ = "at " + (path.empty() ? std::string("top level") : path) + ": more than " +
                 std::to_string(kMaxJsonArrayLength) + " elements in one array";
        return false;
    }
    bool open(bool isArray) {
        if (stack_.size() >= kMaxJsonDepth) {
            const std::string path = pathOf(stack_.size());
            error_ = "at " + (path.empty() ? std::string("top level") : path) +
                     ": nested deeper than " + std::to_string(kMaxJsonDepth) + " levels";
            return false;
        }
        stack_.push_back({isArray, 0, {}, {}});
        return true;
    }
    // The path of the value currently being read at `depth` levels in ("" for
    // the document itself).
    std::string pathOf(std::size_t depth) const {
        std::string path;
        for (std::size_t i = 0; i < depth && i < stack_.size(); ++i) {
            const Level& l = stack_[i];
            path = l.isArray ? element(path, l.count ? l.count - 1 : 0) : member(path, l.key);
        }
        return path;
    }

    nlohmann::detail::json_sax_dom_parser<json> dom_;
    std::vector<Level> stack_;
    std::string error_;
};

// "line L, column C" of the byte at `offset`, both from 1.
std::string placeOf(std::string_view text, std::size_t offset) {
    std::size_t line = 1, column = 1;
    for (std::size_t i = 0; i < offset; ++i) {
        ++column;
        if (text[i] == '\n') {
            ++line;
            column = 1;
        }
    }
    return "line " + std::to_string(line) + ", column " + std::to_string(column);
}

}  // namespace

base::Status parseJson(std::string_view text, json& doc) {
    // The JSON reader would stop at a NUL byte and ignore the rest.
    if (const std::size_t nul = text.find('\0'); nul != std::string_view::npos)
        return base::Failure{placeOf(text, nul) + ": a NUL byte, which a text file never holds"};
    std::string error;
    try {
        CheckingSax sax(doc);
        const bool ok = json::sax_parse(text.begin(), text.end(), &sax,
                                        nlohmann::detail::input_format_t::json, true, false);
        if (ok) return {};
        error = sax.error().empty() ? "malformed JSON" : sax.error();
    } catch (const std::bad_alloc&) {
        error = "out of memory while reading JSON";
    } catch (const std::exception& e) {
        error = std::string("malformed JSON: ") + e.what();
    }
    doc = nullptr;
    return base::Failure{error};
}

std::string member(const std::string& path, const std::string& key) {
    bool plain = !key.empty();
    for (char c : key)
        if (!(std::isalnum(static_cast<unsigned char>(c)) || c == '_')) plain = false;
    if (plain) return path.empty() ? base::excerpt(key) : path + "." + base::excerpt(key);
    return path + "[" + sandbox::jsonString(base::excerpt(key)) + "]";
}

std::string element(const std::string& path, std::size_t index) {
    return path + "[" + std::to_string(index) + "]";
}

}  // namespace scene
