// The Python module `edloader`, over the C++ header. Every object taken from a structure holds the
// structure, so that a component or instance outlives the variables that led to it.

#include <pybind11/pybind11.h>
#include <pybind11/stl.h>

#include <memory>

#include "edloader/edloader.hpp"

namespace py = pybind11;

namespace {

using Owner = std::shared_ptr<const edl::Structure>;

template <class View>
struct Held {
    Owner owner;
    View view;
};
using PyComponent = Held<edl::Component>;
using PyInstance = Held<edl::Instance>;

// None for an absent text.
py::object Text(const char* text) {
    if (!text) return py::none();
    return py::str(text);
}

template <size_t N, class T>
py::tuple Tuple(const T (&values)[N]) {
    py::tuple tuple(N);
    for (size_t i = 0; i < N; ++i) tuple[i] = values[i];
    return tuple;
}

py::object Source(const edl_source* source) {
    if (!source) return py::none();
    py::dict dict;
    dict["file"] = Text(source->file);
    dict["box"] = source->has_box ? py::object(py::make_tuple(Tuple(source->box.min), Tuple(source->box.max)))
                                  : py::object(py::none());
    dict["index"] = source->index;
    return std::move(dict);
}

py::list Properties(const PyComponent& c) {
    py::list list;
    for (const edl_property& p : c.view.Properties())
        list.append(py::make_tuple(Text(p.name), Text(p.group), Text(p.value)));
    return list;
}

py::list Viewables(const PyComponent& c) {
    py::list list;
    for (const edl_viewable& v : c.view.Viewables())
        list.append(py::make_tuple(Text(v.family), Text(v.file), Text(v.display)));
    return list;
}

py::list ViewPoints(const PyComponent& c) {
    py::list list;
    for (const edl_view_point& v : c.view.ViewPoints())
        list.append(py::make_tuple(Text(v.name), Tuple(v.orientation)));
    return list;
}

py::list ViewStates(const PyComponent& c) {
    py::list list;
    for (const edl_view_state& v : c.view.ViewStates())
        list.append(py::make_tuple(v.type, v.number, Text(v.first), Text(v.second)));
    return list;
}

py::list LayerGroups(const PyComponent& c) {
    py::list list;
    for (const edl_layer_group& g : c.view.LayerGroups()) {
        py::list members;
        for (size_t i = 0; i < g.member_count; ++i) members.append(Text(g.members[i]));
        list.append(py::make_tuple(Text(g.name), members));
    }
    return list;
}

std::vector<PyInstance> Children(const PyComponent& c) {
    std::vector<PyInstance> list;
    for (edl::Instance child : c.view.Children()) list.push_back({c.owner, child});
    return list;
}

py::object Location(const PyInstance& i) {
    const std::optional<edl_placement> placement = i.view.Placement();
    if (!placement) return py::none();
    py::dict dict;
    dict["translation"] = Tuple(placement->translation);
    dict["rotation"] = Tuple(placement->rotation);
    dict["scale"] = placement->scale;
    return std::move(dict);
}

py::object Colour(const PyInstance& i) {
    const std::optional<edl_colour> colour = i.view.Colour();
    if (!colour) return py::none();
    return Tuple(colour->rgba);
}

py::object Root(const Owner& s) {
    std::optional<edl::Component> root = s->Root();
    if (!root) return py::none();
    return py::cast(PyComponent{s, *root});
}

const char* SeverityName(edl_severity severity) {
    switch (severity) {
        case EDL_ERROR:
            return "error";
        case EDL_WARNING:
            return "warning";
        default:
            return "info";
    }
}

}  // namespace

PYBIND11_MODULE(edloader, m) {
    m.doc() = "Loads ED files into a read-only product structure.";
    m.attr("__version__") = edl_version();
    py::register_exception<edl::LoadError>(m, "LoadError");

    py::class_<edl::Structure, std::shared_ptr<edl::Structure>>(m, "Structure")
        .def_property_readonly("root", [](const Owner& s) { return Root(s); })
        .def_property_readonly("instance_count", &edl::Structure::InstanceCount);

    py::class_<PyComponent>(m, "Component")
        .def_property_readonly("kind",
                               [](const PyComponent& c) { return c.view.IsProxy() ? "proxy" : "node"; })
        .def_property_readonly("name",
                               [](const PyComponent& c) { return Text(edl_component_name(c.view.Handle())); })
        .def_property_readonly("link",
                               [](const PyComponent& c) { return Text(edl_component_link(c.view.Handle())); })
        .def_property_readonly("shape_source",
                               [](const PyComponent& c) { return Source(c.view.ShapeSource()); })
        .def_property_readonly("thumbnail", [](const PyComponent& c) { return Source(c.view.Thumbnail()); })
        .def_property_readonly("properties", &Properties)
        .def_property_readonly("viewables", &Viewables)
        .def_property_readonly("view_points", &ViewPoints)
        .def_property_readonly("view_states", &ViewStates)
        .def_property_readonly("layer_groups", &LayerGroups)
        .def_property_readonly("children", &Children)
        .def("__repr__",
             [](const PyComponent& c) { return "<edloader.Component " + std::string(c.view.Name()) + ">"; });

    py::class_<PyInstance>(m, "Instance")
        .def_property_readonly("id",
                               [](const PyInstance& i) { return Text(edl_instance_id(i.view.Handle())); })
        .def_property_readonly("component",
                               [](const PyInstance& i) {
                                   return PyComponent{i.owner, i.view.Component()};
                               })
        .def_property_readonly("location", &Location)
        .def_property_readonly("colour", &Colour)
        .def_property_readonly("visible", [](const PyInstance& i) { return i.view.Visible(); })
        .def("__repr__",
             [](const PyInstance& i) { return "<edloader.Instance " + std::string(i.view.Id()) + ">"; });

    m.def(
        "load",
        [](const std::string& path) {
            // The load runs without the interpreter's lock: other Python threads go on meanwhile.
            py::gil_scoped_release unlocked;
            return std::make_shared<edl::Structure>(edl::Structure::Load(path));
        },
        py::arg("path"), "Loads the ED file at `path`; raises LoadError with the reason when it cannot.");
    m.def(
        "check",
        [](const std::string& path) {
            py::list list;
            for (const edl::Diagnostic& d : edl::Check(path))
                list.append(py::dict(py::arg("code") = d.code, py::arg("severity") = SeverityName(d.severity),
                                     py::arg("line") = d.line, py::arg("column") = d.column,
                                     py::arg("record") = d.record ? std::string(1, d.record) : std::string(),
                                     py::arg("message") = d.message));
            return list;
        },
        py::arg("path"), "The findings of `ed-load --check` for the file, in file order, as dictionaries.");
}
