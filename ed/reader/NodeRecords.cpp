#include <string>
#include <utility>

#include "du/FileSpec.h"
#include "du/FileSystem.h"
#include "ed/reader/Parser.h"
#include "ed/reader/ParserTracer.h"
#include "kxk/Structure.h"

namespace ed {

void Parser::AddNode() {
    int numbers[3];  // id, parent, and one not used
    ScanNumbers(numbers);
    CreateNode(numbers[0], numbers[1]);
}

// Only registers the copy: the copying waits until the whole file is read.
void Parser::AddXeroxCopy() {
    int numbers[3];  // node, parent, source
    ScanNumbers(numbers);
    StructureNode* node = CreateNode(numbers[0], numbers[1]);
    if (!node) return;
    m_copyNodes.push_back(node);
    node->copySource = GetNodeFromId(numbers[2], false);
}

void Parser::AddNodeName() {
    int id;
    du::Symbol name = ScanTextSymbol(id);
    if (StructureNode* node = GetNodeFromId(id, false)) node->name = std::move(name);
}

void Parser::AddBranchLink() {
    ScanInt();
    const int id = ScanInt();
    ScanInt();
    ScanInt();
    du::Symbol link = ReRootLink(du::Symbol(ScanTail(false)));
    if (StructureNode* node = GetNodeFromId(id, false)) {
        node->link = std::move(link);
        node->isLink = true;
    }
}

// Files written on another machine name links by absolute paths that are gone here; a linked file
// that travelled with the ED file is then found under the same file name beside the structure's own
// file. Relative links and links that exist are kept as written.
du::Symbol Parser::ReRootLink(const du::Symbol& link) const {
    const du::FileSpec linkSpec{std::string(link)};
    if (!linkSpec.IsAbsolute() || du::FileSystem::FileExists(link) || !m_structure) return link;
    du::Symbol source;
    m_structure->GetFileSource(source);
    du::FileSpec folderSpec{std::string(source)};
    if (!folderSpec.IsAbsolute()) return link;
    std::string file;
    linkSpec.GetFile(file);
    folderSpec.SetFile(file);
    std::string path;
    folderSpec.GetFileSpec(path);
    return du::FileSystem::FileExists(path) ? du::Symbol(path) : link;
}

void Parser::AddASTTable() {
    const du::Symbol path(ScanTail(false));
    kParserTracer("Parser::AddASTTable \"%s\"\n", path.safe_c_str());
    if (m_structure) m_structure->SetAnnoSetTableFileSource(path);
}

void Parser::AddReloadNewED() {
    m_redirect = ScanTail(false);
    kParserTracer("Got a redirect for %s\n", m_redirect.c_str());
    NotYetImplemented("AddReloadNewED");
}

void Parser::AddURLAnchor() {
    for (int i = 0; i < 4; ++i) ScanInt();
    ScanTail(false);
    NotYetImplemented("AddURLAnchor");
}

// Records that are read but not acted on; each one only reports its line.
void Parser::AddMarkupMode() {
    NotYetImplemented("AddMarkupMode");
}
void Parser::AddFileName() {
    NotYetImplemented("AddFileName");
}
void Parser::AddEDAbsPath() {
    NotYetImplemented("AddEDAbsPath");
}
void Parser::AddExtraInfo() {
    NotYetImplemented("AddExtraInfo");
}
void Parser::AddGetFileASP() {
    NotYetImplemented("AddGetFileASP");
}
void Parser::AddCheckout() {
    NotYetImplemented("AddCheckout");
}
void Parser::AddMetaParam() {
    NotYetImplemented("AddMetaParam");
}
void Parser::AddWusQuery() {
    NotYetImplemented("AddWusQuery");
}

}  // namespace ed
