// The generated document of the class benchmarks: 100 x 100 classes with two compartments each,
// optionally joined by 10,000 associations, written as the editor writes it; and the factories
// that read it.
#pragma once

#include <sstream>
#include <string>

#include "core/Factory.h"
#include "elements/class/Association.h"
#include "elements/class/Class.h"
#include "elements/class/Compartment.h"
#include "style/Model.h"
#include "text/Text.h"

namespace ClassBench {

// Reports the factories of every element kind the document holds.
inline void ReportFactories(Core::FactoryRegistry& registry) {
  Class::Class::Factory().ReportTo(registry);
  Class::Compartment::Factory().ReportTo(registry);
  TextBlock::Text::Factory().ReportTo(registry);
  Style::Style::Factory().ReportTo(registry);
  Class::ReportAssociationFactories(registry);
  Style::Style::ReportExtras(registry);
}

// An association from the right edge of the class at (x, y) to the left edge of its right neighbour
// (or from its bottom edge down to the class below), as the editor writes it.
inline void WriteAssociation(std::ostringstream& out, int& id, int x, int y, int from, int to, bool down) {
  const int assoc = id++, a = id++, b = id++, s = id++;
  const int ax = down ? x + 1250 : x + 2500, ay = down ? y - 1500 : y - 300;
  const int bx = down ? x + 1250 : x + 3000, by = down ? y - 2000 : y - 300;
  out << "<Assoc id=\"r" << assoc << "\"><End id=\"r" << a << "\" Pos=\"" << ax << ' ' << ay << "\" Class=\"r" << from
      << "\" Type=\"1\"/><End id=\"r" << b << "\" Pos=\"" << bx << ' ' << by << "\" Class=\"r" << to
      << "\" Type=\"1\"/><Segment id=\"r" << s << "\" Ends=\"r" << a << " r" << b << "\"/></Assoc>\n";
}

// 100 x 100 classes of 25 x 15 mm, 30 x 20 mm apart, each with two compartments, and the style
// every document the editor writes carries; with associations each class is joined to its right
// neighbour, and each class of the first row to the one below it.
inline std::string Document(bool associations) {
  std::ostringstream out;
  out << "<?xml version=\"1.0\" encoding=\"UTF-8\"?>\n<Diagram xmlns=\"http://quorvel.example/schema/1.0\">\n"
      << "<Style id=\"r1\"><dir n=\"Base\" Typeface=\"arial\" Size=\"11\" Bold=\"0\"/></Style>\n";
  int id = 2;
  for (int row = 0; row < 100; ++row)
    for (int col = 0; col < 100; ++col) {
      const int x = col * 3000, y = -row * 2000;
      const int c = id++, a = id++, b = id++;
      out << "<Class id=\"r" << c << "\" Pos=\"" << x << ' ' << y << "\" Size=\"2500 1500\"><Text>Class" << c
          << "</Text>\n<Compartment id=\"r" << a << "\" Pos=\"" << x << ' ' << y - 500
          << "\" Size=\"2500 500\"><Text>-x: int</Text></Compartment>\n<Compartment id=\"r" << b << "\" Pos=\"" << x
          << ' ' << y - 1000 << "\" Size=\"2500 500\" Previous=\"r" << a
          << "\"><Text>+f(): void</Text></Compartment></Class>\n";
    }
  if (associations) {
    // Class ids are 2, 5, 8, ... in row order (the style is 1).
    auto classId = [](int row, int col) { return 2 + 3 * (row * 100 + col); };
    for (int row = 0; row < 100; ++row)
      for (int col = 0; col < 99; ++col)
        WriteAssociation(out, id, col * 3000, -row * 2000, classId(row, col), classId(row, col + 1), false);
    for (int col = 0; col < 100; ++col) WriteAssociation(out, id, col * 3000, 0, classId(0, col), classId(1, col), true);
  }
  out << "</Diagram>\n";
  return out.str();
}

}  // namespace ClassBench
