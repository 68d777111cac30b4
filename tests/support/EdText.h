#pragma once

#include <initializer_list>
#include <string>

namespace edtest {

// Writes ED texts one record group at a time, numbering properties itself:
//   EdText().Node(1, 0, "Root").Prop(1, "color", {"1 0 0"}).Type(1, "Geometry").Str()
class EdText {
  public:
    // A C record and, for a non-empty name, an I record.
    EdText& Node(int id, int parent, const std::string& name = "") {
        m_text += "C " + std::to_string(id) + " " + std::to_string(parent) + " 0\n";
        if (!name.empty()) m_text += "I 0 " + std::to_string(id) + " 0 0 " + name + "\n";
        return *this;
    }
    // A property of `node` with a P, an N and one V record per value.
    EdText& Prop(int node, const std::string& name, std::initializer_list<std::string> values, int type = 1) {
        const std::string id = std::to_string(++m_lastProperty);
        m_text += "P " + id + " " + std::to_string(node) + " " + std::to_string(type) + "\n";
        m_text += "N 0 " + id + " 0 0 " + name + "\n";
        for (const std::string& value : values) m_text += "V 0 " + id + " 0 0 " + value + "\n";
        return *this;
    }
    EdText& Link(int node, const std::string& file) {
        return Line("L 0 " + std::to_string(node) + " 0 0 " + file);
    }
    EdText& Type(int id, const std::string& name) { return Line("T " + std::to_string(id) + " " + name); }
    EdText& Line(const std::string& line) {
        m_text += line + "\n";
        return *this;
    }
    const std::string& Str() const { return m_text; }

  private:
    std::string m_text;
    int m_lastProperty = 0;
};

}  // namespace edtest
