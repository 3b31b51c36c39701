#include "production/producer.h"

#include <algorithm>
#include <iterator>

#include "factory/oem_mac_request.h"
#include "production/journal_tables.h"
#include "wire/address_text.h"

namespace kestrel {

namespace {

constexpr std::string_view kStepNames[] = {
    "watching", "pending", "unit",      "allocated", "sent",
    "answered", "failed",  "no-answer", "confirmed", "unconfirmed",
    "skipped",  "gave-up", "exhausted", "error",     "suspicious",
};
static_assert(std::size(kStepNames) == static_cast<std::size_t>(ProductionStep::Suspicious) + 1,
              "a name for every step");

bool sameMac(std::string_view a, std::string_view b) {
    const auto x = parseMacAddress(a), y = parseMacAddress(b);
    return x && y && *x == *y;
}

// Marks the unit in hand for as long as it lives, also when a step throws.
class UnitInHand {
public:
    UnitInHand(std::mutex& m, bool& flag) : m_(m), flag_(flag) {}
    ~UnitInHand() {
        std::lock_guard lock(m_);
        flag_ = false;
    }

private:
    std::mutex& m_;
    bool& flag_;
};

}  // namespace

std::string_view stepName(ProductionStep step) {
    return kStepNames[static_cast<std::size_t>(step)];
}

Producer::Producer(Journal& journal, ProductionLink& link, ProducerSettings settings,
                   EventSink onEvent)
    : journal_(journal),
      link_(link),
      settings_(std::move(settings)),
      onEvent_(std::move(onEvent)) {}

bool Producer::stop() {
    std::lock_guard lock(mutex_);
    stopping_ = true;
    return inUnit_;
}

bool Producer::beginUnit() {
    std::lock_guard lock(mutex_);
    if (stopping_) return false;
    inUnit_ = true;
    return true;
}

void Producer::emit(ProductionStep step, const MacAllocation* a, std::string detail,
                    const SeenController* unit) {
    ProductionEvent e{journal_tables::utcNow(), step, {}, {}, {}, 0, std::move(detail)};
    if (a) {
        e.unit_mac = a->unit().old_mac;
        e.unit_ip = a->unit().old_ip;
        e.new_mac = a->newMac();
        e.allocation = a->id();
        if (e.detail.empty()) e.detail = a->outcome();
    } else if (unit) {
        e.unit_mac = unit->mac;
        e.unit_ip = unit->ip;
    }
    onEvent_(e);
}

ProductionEnd Producer::run() {
    try {
        for (auto& a : journal_.needsConfirmation()) {
            if (!beginUnit()) return ProductionEnd::Stopped;
            const UnitInHand hand(mutex_, inUnit_);
            emit(ProductionStep::Pending, &a,
                 "left " + std::string(stateName(a.state())) + " by an earlier run");
            if (const auto o = confirm(a); !o.ok) return o.end;
        }
        bool fresh = false;  // the last confirmation's scan serves as the next look
        while (true) {
            if (journal_.left() == 0) {
                const MacRange& r = journal_.range();
                emit(ProductionStep::Exhausted, nullptr,
                     "the MAC range " + r.text() + " is used up: all " + std::to_string(r.count()) +
                         " addresses have been handed out");
                return ProductionEnd::Exhausted;
            }
            {
                std::lock_guard lock(mutex_);
                if (stopping_) return ProductionEnd::Stopped;
            }
            if (!fresh && !look()) return ProductionEnd::NoNetwork;
            fresh = false;
            const auto units = newUnits();
            if (units.empty()) continue;
            if (!beginUnit()) return ProductionEnd::Stopped;
            const UnitInHand hand(mutex_, inUnit_);
            if (const auto o = produce(units.front()); !o.ok) return o.end;
            fresh = true;
        }
    } catch (const JournalError& e) {
        if (e.kind == JournalError::Kind::Exhausted) {
            emit(ProductionStep::Exhausted, nullptr, e.what());
            return ProductionEnd::Exhausted;
        }
        emit(ProductionStep::Error, nullptr, e.what());
        return ProductionEnd::Journal;
    }
}

bool Producer::look() {
    auto seen = link_.scan();
    if (!seen) {
        emit(ProductionStep::Error, nullptr, "the scan request could not be sent");
        return false;
    }
    view_ = std::move(*seen);
    if (!watching_) {
        watching_ = true;
        for (const auto& c : view_) before_.insert(lowerText(c.mac));
        std::string trusted;
        auto trust = [&trusted](const char* units) {
            trusted += (trusted.empty() ? "" : " or ") + std::string(units);
        };
        if (settings_.any_unit) trust("units plugged in from now on");
        if (!settings_.expect.empty()) trust("units carrying an expected factory MAC");
        if (!settings_.expect_prefixes.empty()) trust("units whose MAC has an expected prefix");
        emit(ProductionStep::Watching, nullptr,
             std::to_string(before_.size()) + " controllers on the line: " +
                 (trusted.empty() ? "no unit is trusted, none is produced"
                                  : trusted + " are produced"));
    }
    return true;
}

void Producer::skipOnce(const SeenController& c, const std::string& why) {
    if (reported_.insert(lowerText(c.mac)).second) emit(ProductionStep::Skipped, nullptr, why, &c);
}

std::vector<SeenController> Producer::newUnits() {
    std::map<std::string, int> rows;  // by lower-case MAC
    for (const auto& c : view_) ++rows[lowerText(c.mac)];
    // A unit that left the line starts afresh when it (or another unit
    // with its factory MAC) comes back.
    std::erase_if(attempts_, [&](const auto& kv) { return !rows.count(kv.first); });
    std::erase_if(reported_, [&](const auto& key) { return !rows.count(key); });
    std::erase_if(before_, [&](const auto& key) { return !rows.count(key); });

    std::vector<SeenController> out;
    std::set<std::string> taken;
    for (const auto& c : view_) {
        const std::string key = lowerText(c.mac);
        if (!taken.insert(key).second) continue;
        const auto mac = parseMacAddress(c.mac);
        if (!mac) continue;  // no address that a request could carry as its target
        const auto known = journal_.findByMac(c.mac);
        if (journal_.range().contains(*mac)) {
            if (!known)
                skipOnce(c, "carries an address of the range that this journal never handed out");
            continue;  // produced already, or someone else's
        }
        const bool byMac = settings_.expect.count(*mac) > 0;
        const bool byPrefix =
            std::any_of(settings_.expect_prefixes.begin(), settings_.expect_prefixes.end(),
                        [&](const MacPrefix& p) { return p.covers(*mac); });
        if (!byMac && !byPrefix && !settings_.any_unit) continue;  // not trusted: never touched
        // Many units may share one expected factory MAC: the journal's
        // record of it may be another unit's.
        if (known && !byMac) {
            // Seen again with its old MAC: only a request that did not take
            // may be tried again.
            const bool didNotTake = known->state == AllocationState::Unconfirmed ||
                                    known->state == AllocationState::Failed;
            if (!didNotTake) {
                skipOnce(c, "was given " + known->new_mac + " (" +
                                std::string(stateName(known->state)) +
                                ") yet answers with its old MAC: check this unit");
                continue;
            }
        } else if (!known && !byMac && !byPrefix && before_.count(key)) {
            // Perhaps a controller already in service: never rewritten unasked.
            skipOnce(c,
                     "was on the line when the run began: plug it in again, or name its factory "
                     "MAC with --expect-mac or its maker's prefix with --expect-prefix");
            continue;
        }
        // A request names its controller by MAC alone: two controllers with
        // one MAC would both take it.
        if (rows[key] > 1) {
            skipOnce(c, "answers from " + std::to_string(rows[key]) +
                            " addresses: two units share this MAC; unplug one");
            continue;
        }
        if (attempts_[key] >= settings_.attempts) continue;  // given up while in view
        out.push_back(c);
    }
    return out;
}

Producer::Outcome Producer::produce(const SeenController& unit) {
    emit(ProductionStep::Unit, nullptr, {}, &unit);
    MacAllocation a = journal_.allocate({settings_.adapter, unit.mac, unit.ip});
    emit(ProductionStep::Allocated, &a);
    const auto request = buildOemMacRequest(settings_.adapter_mac, unit.mac, unit.ip,
                                            settings_.oem_index, a.newMac());
    if (!link_.send(request, unit.ip)) {
        emit(ProductionStep::Error, &a,
             "the request could not be sent; the address stays allocated and is never handed "
             "out again");
        return {false, ProductionEnd::NoNetwork};
    }
    journal_.recordSent(a, request);
    emit(ProductionStep::Sent, &a);
    const auto answer = link_.awaitApply(unit.mac);
    if (answer) {
        journal_.recordAnswer(a, *answer);
        emit(a.state() == AllocationState::Answered ? ProductionStep::Answered
                                                    : ProductionStep::Failed,
             &a);
    } else {
        journal_.recordNoAnswer(a);
        emit(ProductionStep::NoAnswer, &a);
    }
    const Outcome o = confirm(a);
    if (!o.ok) return o;
    const bool confirmed = a.state() == AllocationState::Confirmed;
    if (!confirmed && ++attempts_[lowerText(unit.mac)] >= settings_.attempts)
        emit(ProductionStep::GaveUp, &a,
             std::to_string(settings_.attempts) +
                 " requests did not take; left alone until it is unplugged");
    return suspectSilence(unit, answer.has_value() || confirmed);
}

Producer::Outcome Producer::suspectSilence(const SeenController& unit, bool answered) {
    if (answered) {
        silent_.clear();
        return {};
    }
    silent_.insert(lowerText(unit.mac));
    if (static_cast<int>(silent_.size()) < settings_.silent_units_limit) return {};
    std::string units;
    for (const auto& mac : silent_) units += (units.empty() ? "" : ", ") + mac;
    emit(ProductionStep::Suspicious, nullptr,
         std::to_string(silent_.size()) + " units in a row never answered (" + units +
             "): their scan replies may be forged by a host on the segment that makes up new "
             "units, each of which would burn addresses of the range; the run stops. Check the "
             "line, and trust only the maker's units with --expect-prefix or --expect-mac");
    return {false, ProductionEnd::Suspicious};
}

Producer::Outcome Producer::confirm(MacAllocation& a) {
    // A controller that did not say it applied, and still answers with its
    // old MAC, kept it; one that did may answer with it until it restarts.
    const bool applied = a.state() == AllocationState::Answered;
    for (int i = 0; i < settings_.confirm_scans; ++i) {
        if (!look()) return {false, ProductionEnd::NoNetwork};
        bool seenNew = false, seenOld = false;
        for (const auto& c : view_) {
            seenNew = seenNew || sameMac(c.mac, a.newMac());
            seenOld = seenOld || sameMac(c.mac, a.unit().old_mac);
        }
        if (seenNew) {
            journal_.recordConfirmation(a, true);
            emit(ProductionStep::Confirmed, &a);
            return {};
        }
        if (seenOld && !applied) break;
    }
    journal_.recordConfirmation(a, false);
    emit(ProductionStep::Unconfirmed, &a);
    return {};
}

}  // namespace kestrel
