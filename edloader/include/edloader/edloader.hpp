// The ED loader for C++ programs: a thin header over the C interface of edloader.h.
//
//   edl::Structure pump = edl::Structure::Load("pump.ed");  // throws edl::LoadError
//   for (edl::Instance child : pump.Root()->Children())
//       std::cout << child.Id() << ": " << child.Component().Name() << '\n';
//
// A Structure owns what was loaded and is move-only. Component and Instance are views into it, cheap
// to copy, valid while the Structure lives. Texts are std::string_view over UTF-8 that the Structure
// owns; an absent text is an empty view.
#pragma once

#include <cstddef>
#include <iterator>
#include <optional>
#include <stdexcept>
#include <string>
#include <string_view>
#include <utility>
#include <vector>

#include "edloader/edloader.h"

namespace edl {

// A failed load or check: Status() is the edl_status, what() the reason.
class LoadError : public std::runtime_error {
  public:
    LoadError(int status, const std::string& reason) : std::runtime_error(reason), m_status(status) {}
    int Status() const { return m_status; }

  private:
    int m_status;
};

namespace detail {

inline std::string_view View(const char* text) {
    return text ? std::string_view(text) : std::string_view();
}

template <class Handle, class Function>
Handle* Call(Function function, const char* path) {
    Handle* handle = nullptr;
    char message[1024];
    const int status = function(path, &handle, message, sizeof message);
    if (status != EDL_OK) throw LoadError(status, message);
    return handle;
}

// The elements 0..Size()-1 of a list that the C interface reads by index, as a range for `for`.
template <class Owner, class Value, size_t (*Count)(const Owner*), Value (*At)(const Owner*, size_t)>
class IndexRange {
  public:
    class iterator {
      public:
        using iterator_category = std::input_iterator_tag;
        using value_type = Value;
        using difference_type = std::ptrdiff_t;
        using pointer = void;
        using reference = Value;

        iterator(const Owner* owner, size_t index) : m_owner(owner), m_index(index) {}
        Value operator*() const { return At(m_owner, m_index); }
        iterator& operator++() {
            ++m_index;
            return *this;
        }
        bool operator==(const iterator& other) const { return m_index == other.m_index; }
        bool operator!=(const iterator& other) const { return m_index != other.m_index; }

      private:
        const Owner* m_owner;
        size_t m_index;
    };

    explicit IndexRange(const Owner* owner) : m_owner(owner) {}
    iterator begin() const { return iterator(m_owner, 0); }
    iterator end() const { return iterator(m_owner, size()); }
    size_t size() const { return Count(m_owner); }
    bool empty() const { return size() == 0; }
    Value operator[](size_t i) const { return At(m_owner, i); }

  private:
    const Owner* m_owner;
};

template <class T, const T* (*At)(const edl_component*, size_t)>
const T& Reference(const edl_component* c, size_t i) {
    return *At(c, i);
}

}  // namespace detail

class Instance;

class Component {
  public:
    explicit Component(const edl_component* handle) : m_handle(handle) {}

    bool IsProxy() const { return edl_component_kind(m_handle) == EDL_PROXY; }
    std::string_view Name() const { return detail::View(edl_component_name(m_handle)); }
    std::string_view Link() const { return detail::View(edl_component_link(m_handle)); }
    const edl_source* ShapeSource() const { return edl_component_shape_source(m_handle); }
    const edl_source* Thumbnail() const { return edl_component_thumbnail(m_handle); }
    std::optional<edl_box> Box() const {
        edl_box box;
        if (!edl_component_box(m_handle, &box)) return std::nullopt;
        return box;
    }

    using PropertyList = detail::IndexRange<edl_component, const edl_property&, edl_property_count,
                                            detail::Reference<edl_property, edl_property_at>>;
    using ViewableList = detail::IndexRange<edl_component, const edl_viewable&, edl_viewable_count,
                                            detail::Reference<edl_viewable, edl_viewable_at>>;
    using ViewPointList = detail::IndexRange<edl_component, const edl_view_point&, edl_view_point_count,
                                             detail::Reference<edl_view_point, edl_view_point_at>>;
    using ViewStateList = detail::IndexRange<edl_component, const edl_view_state&, edl_view_state_count,
                                             detail::Reference<edl_view_state, edl_view_state_at>>;
    using LayerGroupList = detail::IndexRange<edl_component, const edl_layer_group&, edl_layer_group_count,
                                              detail::Reference<edl_layer_group, edl_layer_group_at>>;
    PropertyList Properties() const { return PropertyList(m_handle); }
    ViewableList Viewables() const { return ViewableList(m_handle); }
    ViewPointList ViewPoints() const { return ViewPointList(m_handle); }
    ViewStateList ViewStates() const { return ViewStateList(m_handle); }
    LayerGroupList LayerGroups() const { return LayerGroupList(m_handle); }
    // The instances that place other components in this one, in file order.
    class ChildList;
    inline ChildList Children() const;

    const edl_component* Handle() const { return m_handle; }

  private:
    const edl_component* m_handle;
};

class Instance {
  public:
    explicit Instance(const edl_instance* handle) : m_handle(handle) {}

    std::string_view Id() const { return detail::View(edl_instance_id(m_handle)); }
    edl::Component Component() const { return edl::Component(edl_instance_component(m_handle)); }
    // Empty when the instance leaves its component where it is.
    std::optional<edl_placement> Placement() const {
        edl_placement placement;
        if (!edl_instance_placement(m_handle, &placement)) return std::nullopt;
        return placement;
    }
    std::optional<edl_colour> Colour() const {
        edl_colour colour;
        if (!edl_instance_colour(m_handle, &colour)) return std::nullopt;
        return colour;
    }
    bool Visible() const { return edl_instance_visible(m_handle) != 0; }

    const edl_instance* Handle() const { return m_handle; }

  private:
    const edl_instance* m_handle;
};

namespace detail {
inline Instance ChildAt(const edl_component* c, size_t i) {
    return Instance(edl_child_at(c, i));
}
}  // namespace detail

class Component::ChildList
    : public detail::IndexRange<edl_component, Instance, edl_child_count, detail::ChildAt> {
    using IndexRange::IndexRange;
};

Component::ChildList Component::Children() const {
    return ChildList(m_handle);
}

class Structure {
  public:
    static Structure Load(const std::string& path) {
        return Structure(detail::Call<edl_structure>(edl_load, path.c_str()));
    }

    Structure(Structure&& other) noexcept : m_handle(std::exchange(other.m_handle, nullptr)) {}
    Structure& operator=(Structure&& other) noexcept {
        std::swap(m_handle, other.m_handle);
        return *this;
    }
    Structure(const Structure&) = delete;
    Structure& operator=(const Structure&) = delete;
    ~Structure() { edl_free(m_handle); }

    // Empty when the file defined no root.
    std::optional<Component> Root() const {
        const edl_component* root = edl_root(m_handle);
        if (!root) return std::nullopt;
        return Component(root);
    }
    size_t InstanceCount() const { return edl_instance_count(m_handle); }

    const edl_structure* Handle() const { return m_handle; }

  private:
    explicit Structure(edl_structure* handle) : m_handle(handle) {}
    edl_structure* m_handle;
};

struct Diagnostic {
    std::string code;
    edl_severity severity;
    uint64_t line;
    uint32_t column;
    char record;
    std::string message;
};

// The findings of `ed-load --check` for the file, in file order; throws LoadError when it cannot be read.
inline std::vector<Diagnostic> Check(const std::string& path) {
    edl_diagnostics* found = detail::Call<edl_diagnostics>(edl_check, path.c_str());
    std::vector<Diagnostic> list;
    try {
        for (size_t i = 0; i < edl_diagnostic_count(found); ++i) {
            const edl_diagnostic& d = *edl_diagnostic_at(found, i);
            list.push_back({d.code, d.severity, d.line, d.column, d.record, d.message});
        }
    } catch (...) {
        edl_diagnostics_free(found);
        throw;
    }
    edl_diagnostics_free(found);
    return list;
}

}  // namespace edl
