#include "core/operations/SetProtection.h"

#include "core/format/LoadedDefinition.h"
#include "core/text/Messages.h"

namespace kivora {

bool HasAuthenticatedEncryption(const KvrDefinition& def) {
  return def.header.CipherKind == kSealedCipher && def.header.Encryption &&
         def.header.Encryption->version >= 2 && !def.signedBytes.empty();
}

bool MeetsEncryptionDemand(const KvrDefinition& def, bool required, OperationEvents& events) {
  if (!required || HasAuthenticatedEncryption(def)) return true;
  events.ShowError(msg::kEncryptionRequired253);
  return false;
}

std::optional<SetCipher> UnlockSet(const KvrDefinition& def, const std::optional<SecretText>& given,
                                   OperationEvents& events) {
  // The keys of the password proved last are kept: they are derived once a password.
  std::optional<SetCipher> cipher;
  const PasswordCheck matches = [&](const SecretText& password) {
    cipher.emplace(password, *def.header.Encryption);
    return cipher->PasswordMatches();
  };
  if (!PasswordFor(def, given, events, matches)) return std::nullopt;
  if (cipher->AuthenticatesDefinition() && !cipher->DefinitionAuthentic(def.signedBytes)) {
    events.ShowError(msg::kDefinitionNotAuthentic252);
    return std::nullopt;
  }
  // A set of the first block version: what it is written from can be trusted less.
  if (!cipher->AuthenticatesDefinition()) events.ShowWarning(msg::kDefinitionNotAuthenticatedNote);
  return cipher;
}

}  // namespace kivora
