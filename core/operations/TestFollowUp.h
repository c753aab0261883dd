#pragma once
// What follows a test that found lost or damaged parts: the step that fits the set.

#include <filesystem>

#include "core/OperationEvents.h"
#include "core/PendantProvider.h"
#include "core/operations/TestOperation.h"

namespace kivora {

enum class NextStep {
  None,      // the user chose neither
  Repaired,  // a repair from the recovery parts ran (its own closing said how it ended)
  Resplit,   // the user chose to rebuild the damaged parts from the source
};

// After a test of the set of `definition` that found lost or damaged parts: one question
// with the counts and the step that fits the set. When its recovery parts can rebuild every
// damaged file, repair now (Yes repairs); otherwise, rebuild the parts from the source on the
// re-split page (Yes gives Resplit; the front end opens it), saying first what recovery
// parts the set has, if any, could not do. The test's `cipher`, when it opened an encrypted
// set's chunks, counts parts whose tags fail and proves the rebuilt ones.
NextStep OfferNextStep(const TestOutcome& tested, const std::filesystem::path& definition,
                       const PendantProvider& pendants, OperationEvents& events);

}  // namespace kivora
