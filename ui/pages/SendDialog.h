#pragma once
// The file list's send dialog: the hosts to send to (one folder address a line), how the
// files are placed on them, the largest file a host takes, and the set's definition.
// Credentials are not typed here: they come from ~/.netrc and the environment, as the
// command line takes them.

#include <QDialog>
#include <QString>
#include <QStringList>
#include <vector>

#include "core/text/Language.h"
#include "net/SendHosts.h"
#include "net/SendPlan.h"
#include "ui/engine/MessageLayer.h"

class QLineEdit;
class QPlainTextEdit;
class QRadioButton;

namespace kivora::ui {

// What the dialog was filled with, and what OK took.
struct SendChoice {
  QStringList hosts;
  bool spread = false;
  QString maxSize;  // such as "100M"; empty: no limit
  QString definition;
};

// The hosts of a choice as the send takes them: every line an address, the largest size
// for each, the password from the environment. Throws KivoraError for an address or a
// size that does not read.
std::vector<net::SendHost> SendHostsOf(const SendChoice& choice);

class SendDialog : public QDialog {
  Q_OBJECT
 public:
  SendDialog(QWidget* parent, MessageLayer& messages, Language language, const SendChoice& initial);

  SendChoice Choice() const;
  // OK's rules: at least one host, every address and the size readable, a definition
  // that is a file. The reason is shown and the dialog stays open when one is broken.
  void Confirm();

 private:
  void Browse();

  MessageLayer& messages_;
  Language language_;
  QPlainTextEdit* hosts_;
  QRadioButton* allCopies_;
  QRadioButton* spread_;
  QLineEdit* maxSize_;
  QLineEdit* definition_;
};

}  // namespace kivora::ui
