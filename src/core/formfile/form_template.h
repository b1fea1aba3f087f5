#pragma once

#include "core/base/stream.h"
#include "core/formfile/form_reader.h"
#include "core/formfile/form_stream.h"

#include <cstdint>
#include <memory>
#include <optional>
#include <string>

namespace swapwright {

// The binary form stream a text form was made from, read in step with the text while the text is
// converted back. The text form cannot show every choice the binary form makes (the width of an
// integer, a wide or long string, a float's last digits, a prefix byte without flags), so where
// the text says what the original says, the converter writes it the way the original has it.
//
// The walk follows the structure: components and list elements by their place, properties by
// their place and name. A property whose name differs there (a replacement renamed it) takes
// nothing from the original's value, which is passed over. The walk ends for good at the first
// place where the structures part (the text has a property, element, item or child more or less,
// or a list where the original has a plain value) or where the original does not read; from there
// on the converter chooses encodings as without an original. Nothing here raises.
class FormTemplate {
public:
    // No original: every operation is a no-op.
    FormTemplate() = default;
    // A binary form stream at its signature.
    static FormTemplate binary(Stream& original);
    // A resource-format form file at its header.
    static FormTemplate resource(Stream& original);

    FormTemplate(FormTemplate&&) noexcept = default;
    FormTemplate& operator=(FormTemplate&&) noexcept = default;

    bool active() const noexcept { return m_reader != nullptr; }
    void stop() noexcept { m_reader.reset(); }

    // The resource header of a resource-format original: its name as stored and its flags.
    const std::optional<std::string>& resourceName() const noexcept { return m_resourceName; }
    std::uint16_t resourceFlags() const noexcept { return m_resourceFlags; }
    // The root component's class name, once the walk has read it.
    const std::optional<std::string>& rootClassName() const noexcept { return m_rootClassName; }

    struct Component {
        std::string prefix; // the prefix byte and child position as stored; empty without prefix
        TFilerFlags flags = 0;
        std::int32_t position = 0;
    };
    // A component record's header (prefix, class name, name).
    std::optional<Component> component();

    // Where the text ends a list of properties, children, elements or items: the original must end
    // it there as well (its end marker is passed over).
    void end();
    // Where the text goes on with one more entry: the original must have one too.
    void more();
    // A property's name in the text, after more().
    void propertyName(std::string_view name);

    struct Value {
        TValueType tag = tagNull;
        std::string stored;      // tag and payload of numbers and identifiers, as stored
        std::string text;        // identifiers and floats: the text the text form shows for them
        std::int64_t integer = 0; // integers: the value
    };
    // Where the text has a plain value: the original's, when it has one there. Numbers and
    // identifiers come with their stored bytes; of strings, sets and binary data only the tag.
    std::optional<Value> scalar();
    // Where the text opens a list or collection (`tag`): the original must open one too.
    void enter(TValueType tag);

    struct Item {
        std::string index; // the index as stored (tag and payload); empty without index
        std::int32_t value = 0;
    };
    // A collection item's header: the optional index and the list tag after it.
    std::optional<Item> item();

private:
    explicit FormTemplate(Stream& original);

    template <typename Step>
    auto guarded(Step step) noexcept -> decltype(step());

    std::string storedInteger(TValueType tag, std::int64_t& value);
    Value readValue();
    void skipScalar(TValueType tag);
    void skipValue();

    std::unique_ptr<TReader> m_reader;
    // While the text goes through a property whose original was passed over: the text's nesting
    // inside that value; -1 otherwise.
    int m_passing = -1;
    std::optional<std::string> m_resourceName;
    std::uint16_t m_resourceFlags = 0;
    std::optional<std::string> m_rootClassName;
};

} // namespace swapwright
