// Build-time tool: turns sections of README.md into *roff text for help2man,
// so each manual page tells what the README tells without a second copy.
//   readme_to_man README.md OUTPUT "Heading" ["Heading"...]
// takes each "## Heading" section (with its "### " subsections) in the order
// given and writes them as the [DESCRIPTION] of a help2man include file. A
// heading that is missing is an error, so a renamed README section stops
// the build instead of leaving a manual page empty.
#include <fstream>
#include <iostream>
#include <sstream>
#include <string>
#include <vector>

namespace {

// Markdown's inline marks dropped, links reduced to their text, the build
// tree's folders dropped from program paths (a manual page is read where
// the programs are installed), and the characters *roff treats specially
// escaped.
std::string Inline(std::string text) {
  for (const char* folder : {"build/emulator/", "build/romeditor/"}) {
    for (std::size_t at; (at = text.find(folder)) != std::string::npos;) text.erase(at, std::string(folder).size());
  }
  std::string plain;
  for (std::size_t k = 0; k < text.size(); ++k) {
    const char c = text[k];
    if (c == '`') continue;
    if (c == '*' && k + 1 < text.size() && text[k + 1] == '*') {
      ++k;
      continue;
    }
    if (c == '[') {  // [text](target) -> text
      const std::size_t close = text.find("](", k);
      const std::size_t end = close == std::string::npos ? close : text.find(')', close);
      if (end != std::string::npos) {
        plain += Inline(text.substr(k + 1, close - k - 1));
        k = end;
        continue;
      }
    }
    if (c == '\\') {
      plain += "\\e";
    } else if (c == '-') {
      plain += "\\-";
    } else {
      plain += c;
    }
  }
  // A line starting with a control character, or one help2man would read
  // as a section or pattern of its own, is protected.
  if (!plain.empty() && (plain[0] == '.' || plain[0] == '\'' || plain[0] == '[' || plain[0] == '/')) {
    plain.insert(0, "\\&");
  }
  return plain;
}

std::vector<std::string> Cells(const std::string& row) {
  std::vector<std::string> cells;
  std::string cell;
  for (std::size_t k = 1; k < row.size(); ++k) {
    if (row[k] == '|') {
      const std::size_t first = cell.find_first_not_of(' ');
      const std::size_t last = cell.find_last_not_of(' ');
      cells.push_back(first == std::string::npos ? "" : cell.substr(first, last - first + 1));
      cell.clear();
    } else {
      cell += row[k];
    }
  }
  return cells;
}

bool StartsWith(const std::string& line, const char* prefix) { return line.rfind(prefix, 0) == 0; }

// One section's lines as *roff: paragraphs, subsections, lists, tables as
// tagged paragraphs (first column as the tag), indented blocks as examples.
void Convert(const std::vector<std::string>& lines, std::ostream& out) {
  bool in_example = false;
  bool after_table_head = false;
  for (const std::string& line : lines) {
    const bool indented = StartsWith(line, "    ");
    if (in_example && !indented) {
      out << ".fi\n.RE\n";
      in_example = false;
    }
    if (line.empty()) {
      if (!in_example) out << ".PP\n";
      continue;
    }
    if (indented) {
      if (!in_example) out << ".RS\n.nf\n";
      in_example = true;
      out << Inline(line.substr(4)) << '\n';
    } else if (StartsWith(line, "#")) {
      out << ".SS " << Inline(line.substr(line.find_first_not_of('#') + 1)) << '\n';
    } else if (StartsWith(line, "![")) {
      continue;  // pictures have no place on a terminal
    } else if (StartsWith(line, "|")) {
      const std::vector<std::string> cells = Cells(line);
      if (!cells.empty() && cells[0].find_first_not_of("-: ") == std::string::npos) {
        after_table_head = true;  // the rule under the heading row
        continue;
      }
      if (!after_table_head) continue;  // the heading row itself
      out << ".TP\n" << Inline(cells.empty() ? "" : cells[0]) << '\n';
      std::string rest;
      for (std::size_t k = 1; k < cells.size(); ++k) {
        if (cells[k].empty()) continue;
        if (!rest.empty()) rest += "; ";
        rest += cells[k];
      }
      out << Inline(rest) << '\n';
    } else if (StartsWith(line, "- ")) {
      after_table_head = false;
      out << ".IP \\(bu 2\n" << Inline(line.substr(2)) << '\n';
    } else {
      after_table_head = false;
      out << Inline(line.substr(line.find_first_not_of(' '))) << '\n';
    }
  }
  if (in_example) out << ".fi\n.RE\n";
}

}  // namespace

int main(int argc, char** argv) {
  if (argc < 4) {
    std::cerr << "usage: readme_to_man README.md OUTPUT HEADING...\n";
    return 1;
  }
  std::ifstream readme(argv[1]);
  if (!readme) {
    std::cerr << "readme_to_man: cannot read " << argv[1] << '\n';
    return 1;
  }
  std::vector<std::string> lines;
  for (std::string line; std::getline(readme, line);) {
    if (!line.empty() && line.back() == '\r') line.pop_back();
    lines.push_back(line);
  }
  std::ostringstream text;
  text << "[DESCRIPTION]\n";
  for (int a = 3; a < argc; ++a) {
    const std::string heading = std::string("## ") + argv[a];
    std::size_t start = 0;
    while (start < lines.size() && lines[start] != heading) ++start;
    if (start == lines.size()) {
      std::cerr << "readme_to_man: " << argv[1] << " has no section \"" << heading
                << "\" for the manual page\n";
      return 1;
    }
    std::size_t end = start + 1;
    while (end < lines.size() && !StartsWith(lines[end], "## ")) ++end;
    if (a > 3) text << ".SS " << Inline(argv[a]) << '\n';
    Convert(std::vector<std::string>(lines.begin() + start + 1, lines.begin() + end), text);
  }
  std::ofstream out(argv[2], std::ios::binary);
  out << text.str();
  if (!out.flush()) {
    std::cerr << "readme_to_man: cannot write " << argv[2] << '\n';
    return 1;
  }
  return 0;
}
