// The bundled example, and the pattern for a program of your own: import a
// document through the classes travix generated from purchaseorder.xsd,
// read and change it through their accessors, write it back as XML and
// import what was written.
//
//   purchaseorder_example <order.xml> <changed order.xml>
//
// The generated files: po.h (the binding classes, in namespace po),
// po_xmlimporter.h (po::XMLImporter, which runs the generated scanner and
// grammar), and the sources flex and bison made of po_lexer.l and
// po_parser.y. Everything links against the runtime library travixbase.
#include <charconv>
#include <exception>
#include <iostream>
#include <memory>
#include <string>

#include "po.h"
#include "po_xmlimporter.h"

namespace {

// Reads a purchase order. The importer throws Travix::XException, with a
// message that names the file and line, for a document it cannot read.
std::unique_ptr<po::purchaseOrder> ImportOrder(const std::string& path) {
  po::XMLImporter importer;
  importer.ImportFromFile(path, true);  // true: expand entity references
  std::unique_ptr<Travix::XObject> root(importer.GetXObject());
  auto* order = dynamic_cast<po::purchaseOrder*>(root.get());
  if (!order) throw Travix::XException("Error: '" + path + "' holds no purchaseOrder", __FILE__, __LINE__);
  root.release();
  return std::unique_ptr<po::purchaseOrder>(order);
}

// An amount with two decimals, whatever the locale.
std::string Money(double amount) {
  char text[64];
  auto end = std::to_chars(text, text + sizeof text, amount, std::chars_format::fixed, 2).ptr;
  return std::string(text, end);
}

std::string PaymentOf(po::purchaseOrder& order) {
  po::payment payment = order.Get_payment();  // a choice: one of its elements
  if (auto* invoice = dynamic_cast<po::invoice*>(payment.GetChoice())) {
    return "invoice, due in " + std::to_string(static_cast<unsigned long>(invoice->Get_dueDays())) +
           " days";
  }
  if (auto* card = dynamic_cast<po::card*>(payment.GetChoice())) {
    return std::string("card of ") + card->Get_holder().c_str();
  }
  return "prepaid";
}

void Describe(po::purchaseOrder& order) {
  const std::string currency = order.Get_currency().GetValue().c_str();
  std::cout << "  order " << order.Get_number().c_str() << " of " << order.Get_date().c_str()
            << ", status " << order.Get_status().GetValue().c_str() << "\n";
  po::address shipTo = order.Get_shipTo();
  std::cout << "  ship to " << shipTo.Get_name().c_str() << ", " << shipTo.Get_city().c_str()
            << " (" << shipTo.Get_country().c_str() << ")\n";
  double total = 0;
  for (po::item* item : order.Get_itemList()) {
    const unsigned long quantity = item->Get_quantity();
    const double price = item->Get_unitPrice().GetValue();
    total += quantity * price;
    std::cout << "  item " << item->Get_part().GetValue().c_str() << ": " << quantity << " x "
              << item->Get_description().c_str() << " at " << Money(price)
              << (item->Get_gift() ? " (gift)" : "") << "\n";
  }
  std::cout << "  total " << Money(total) << " " << currency << ", paid by " << PaymentOf(order)
            << "\n";
  for (Travix::string* comment : order.Get_commentList()) {
    std::cout << "  comment: " << comment->c_str() << "\n";
  }
}

}  // namespace

int main(int argc, char* argv[]) {
  if (argc != 3) {
    std::cerr << "usage: purchaseorder_example <order.xml> <changed order.xml>\n";
    return 2;
  }
  const std::string input = argv[1], output = argv[2];
  try {
    po::Initialize();  // registers the generated classes with the object factory

    std::unique_ptr<po::purchaseOrder> order = ImportOrder(input);
    std::cout << "Imported " << input << ":\n";
    Describe(*order);

    // Lists hold pointers the list owns; single elements are copied out
    // with Get_ and back in with Set_.
    po::item* last = order->Get_itemList().back();
    const unsigned long oldQuantity = last->Get_quantity();
    last->Set_quantity(Travix::positive_integer(oldQuantity + 2));
    const std::string oldStatus = order->Get_status().GetValue().c_str();
    order->Set_status(po::orderStatus(Travix::NMTOKEN("confirmed")));
    auto* comment = new Travix::string("Two more, please.");
    comment->SetTag("comment");
    order->Get_commentList().push_back(comment);
    std::cout << "Changed: item " << last->Get_part().GetValue().c_str() << " quantity "
              << oldQuantity << " -> " << static_cast<unsigned long>(last->Get_quantity())
              << ", status " << oldStatus << " -> confirmed, one comment added\n";

    order->EmitXMLToFile(output, "");
    std::cout << "Wrote " << output << "\n";

    std::unique_ptr<po::purchaseOrder> again = ImportOrder(output);
    std::cout << "Imported " << output << " again:\n";
    Describe(*again);
    return 0;
  } catch (const Travix::XException& e) {
    std::cerr << e.GetMsg() << "\n";
  } catch (const std::exception& e) {
    std::cerr << "Error: " << e.what() << "\n";
  }
  return 1;
}
