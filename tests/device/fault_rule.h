#pragma once
// Fault rules spelled out in tests: Fault().Command(2).Offset(40).OnSet().
#include "device/sim/recorder.h"

namespace kavrin::test {

class Fault {
 public:
  Fault& Transfer(uint64_t n) {
    rule_.transfer = n;
    return *this;
  }
  Fault& Selector(uint32_t s) {
    rule_.selector = s;
    return *this;
  }
  Fault& Command(uint32_t c) {
    rule_.command = c;
    return *this;
  }
  Fault& Offset(uint32_t o) {
    rule_.offset = o;
    return *this;
  }
  Fault& OnSet() {
    rule_.isSet = true;
    return *this;
  }
  Fault& OnGet() {
    rule_.isSet = false;
    return *this;
  }
  Fault& Status(int32_t s) {
    rule_.status = s;
    return *this;
  }
  Fault& Always() {
    rule_.once = false;
    return *this;
  }
  Fault& Spent() {
    rule_.spent = true;
    return *this;
  }
  operator sim::FaultPlan::Rule() const { return rule_; }  // NOLINT: reads as a rule

 private:
  sim::FaultPlan::Rule rule_;
};

}  // namespace kavrin::test
