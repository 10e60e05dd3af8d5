// The generated document of the class benchmarks: 100 x 100 classes with two compartments each,
// every class with texts of its own, optionally joined by 10,000 associations, written as the editor
// writes it; and the factories that read it.
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
constexpr int kWidth = 3000, kPitch = 3500;  // of a class, and from one class to the next
inline void WriteAssociation(std::ostringstream& out, int& id, int x, int y, int from, int to, bool down) {
  const int assoc = id++, a = id++, b = id++, s = id++;
  const int ax = down ? x + kWidth / 2 : x + kWidth, ay = down ? y - 1500 : y - 300;
  const int bx = down ? x + kWidth / 2 : x + kPitch, by = down ? y - 2000 : y - 300;
  out << "<Assoc id=\"r" << assoc << "\"><End id=\"r" << a << "\" Pos=\"" << ax << ' ' << ay << "\" Class=\"r" << from
      << "\" Type=\"1\"/><End id=\"r" << b << "\" Pos=\"" << bx << ' ' << by << "\" Class=\"r" << to
      << "\" Type=\"1\"/><Segment id=\"r" << s << "\" Ends=\"r" << a << " r" << b << "\"/></Assoc>\n";
}

// The style tree the editor writes for a class diagram.
inline const char* StyleElement() {
  return "<Style id=\"r1\"><dir n=\"Base\" Typeface=\"arial\" Size=\"11\" Bold=\"0\"><dir n=\"Class Diagram\">"
         "<dir n=\"Association\" Bold=\"1\"/><dir n=\"Class\" Bold=\"0\"><dir n=\"Attached Text\"/>"
         "<dir n=\"Compartment\" Size=\"8\"/><dir n=\"Header\" Bold=\"1\"/><dir n=\"Template Parameters\" Size=\"8\"/>"
         "</dir><dir n=\"Multiplicity, Role\" Bold=\"0\"/><dir n=\"Package\" Bold=\"1\"/>"
         "<dir n=\"Qualifier\" Bold=\"0\"/>"
         "</dir><dir n=\"Dependency\"/><dir n=\"Free Text\"/><dir n=\"Note\" Size=\"9\"/></dir></Style>\n";
}

// The texts of the n-th class: a name and one attribute and one operation, each different from every
// other class's as in a user's document (with sameTexts every class has the same three texts).
struct ClassTexts {
  std::string name, attribute, operation;
};
inline ClassTexts TextsOf(int n, bool sameTexts) {
  if (sameTexts) return {"Class", "-x: int", "+f(): void"};
  static const char* const nouns[] = {"Order",   "Customer", "Invoice", "Account",
                                      "Product", "Shipment", "Payment", "Address"};
  static const char* const fields[] = {"quantity", "name", "total", "created", "status", "owner", "price", "limit"};
  static const char* const types[] = {"int", "String", "Money", "Date", "Status", "double"};
  static const char* const verbs[] = {"update", "validate", "print", "close", "send", "compute", "reset"};
  const std::string k = std::to_string(n);
  return {nouns[n % 8] + k, std::string("-") + fields[n / 8 % 8] + k + ": " + types[n % 6],
          std::string("+") + verbs[n % 7] + k + "(): " + types[n / 6 % 6]};
}

// Rows of 100 classes of 30 x 15 mm, 35 x 20 mm apart, each with two compartments, in the form the
// editor writes (prolog, root, style); with associations each class is joined to its right
// neighbour, and each of the first classes of the first row to the one below it, one for each row
// (as many associations as classes; none downwards in a single row).
inline std::string Document(bool associations, bool sameTexts = false, int rows = 100) {
  std::ostringstream out;
  out << "<?xml version=\"1.0\" encoding=\"UTF-8\" standalone=\"yes\"?>\n"
         "<Diagram ProductVersion=\"1.3.4\" xmlns=\"http://quorvel.example/schema/1.0\" "
         "xmlns:q1v3=\"http://quorvel.example/schema/1.3\">\n"
      << StyleElement();
  int id = 2;
  for (int row = 0; row < rows; ++row)
    for (int col = 0; col < 100; ++col) {
      const int x = col * kPitch, y = -row * 2000;
      const int c = id++, a = id++, b = id++;
      const ClassTexts texts = TextsOf(row * 100 + col, sameTexts);
      out << "<Class id=\"r" << c << "\" Pos=\"" << x << ' ' << y << "\" Size=\"" << kWidth << " 1500\"><Text>"
          << texts.name << "</Text>\n<Compartment id=\"r" << a << "\" Pos=\"" << x << ' ' << y - 500 << "\" Size=\""
          << kWidth << " 500\"><Text>" << texts.attribute << "</Text></Compartment>\n<Compartment id=\"r" << b
          << "\" Pos=\"" << x << ' ' << y - 1000 << "\" Size=\"" << kWidth << " 500\" Previous=\"r" << a << "\"><Text>"
          << texts.operation << "</Text></Compartment></Class>\n";
    }
  if (associations) {
    // Class ids are 2, 5, 8, ... in row order (the style is 1).
    auto classId = [](int row, int col) { return 2 + 3 * (row * 100 + col); };
    for (int row = 0; row < rows; ++row)
      for (int col = 0; col < 99; ++col)
        WriteAssociation(out, id, col * kPitch, -row * 2000, classId(row, col), classId(row, col + 1), false);
    for (int col = 0; col < rows && rows > 1; ++col)
      WriteAssociation(out, id, col * kPitch, 0, classId(0, col), classId(1, col), true);
  }
  out << "</Diagram>\n";
  return out.str();
}

}  // namespace ClassBench
