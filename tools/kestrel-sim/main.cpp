// kestrel-sim: a segment of simulated controllers on one network interface.
// Captures requests (UDP to 8901) and ARP, answers with injected frames.
#include <pcap/pcap.h>

#include <cerrno>
#include <chrono>
#include <csignal>
#include <cstdio>
#include <ctime>
#include <fstream>
#include <thread>

#include "config.h"
#include "controller.h"
#include "faults.h"
#include "log.h"
#include "options.h"

namespace {

pcap_t* g_capture = nullptr;

extern "C" void on_signal(int) {
    if (g_capture) pcap_breakloop(g_capture);
}

struct Simulator {
    pcap_t* capture;
    sim::Segment segment;
    sim::Faults faults;
    sim::RequestLog log;
    std::vector<sim::ControllerConfig> burst;
    std::vector<std::uint16_t> vlans;  // tags on every reply
    std::size_t injected = 0, failed = 0;

    bool inject(const sim::Bytes& frame) {
        // The link may be momentarily full during a burst: wait and retry.
        for (int attempt = 0; attempt < 1000; ++attempt) {
            if (pcap_inject(capture, frame.data(), frame.size()) >= 0) {
                ++injected;
                return true;
            }
            if (errno != ENOBUFS && errno != EAGAIN) break;
            std::this_thread::sleep_for(std::chrono::microseconds(50));
        }
        ++failed;
        return false;
    }

    void send_reply(const sim::Reply& r) {
        if (faults.drop()) return;
        const sim::Bytes frame =
            sim::with_vlan_tags(sim::build_udp_frame(r.ends, r.payload), vlans);
        inject(frame);
        if (faults.duplicate()) inject(frame);
        if (faults.malformed()) inject(faults.malformed_frame(r.ends, r.payload));
    }

    void send_burst(const sim::UdpFrame& request) {
        const auto header = sim::decode_header(request.payload);
        std::vector<sim::Bytes> frames;
        frames.reserve(burst.size());
        for (const auto& c : burst) {
            sim::UdpEndpoints e;
            e.src_mac = sim::parse_mac(c.identity.mac).value_or(sim::Mac{});
            e.src_ip = sim::parse_ipv4(c.net.ip).value_or(sim::Ipv4{});
            e.src_port = 8901;
            e.dst_mac = request.ends.src_mac;
            e.dst_ip = request.ends.src_ip;
            e.dst_port = 8911;
            frames.push_back(sim::with_vlan_tags(
                sim::build_udp_frame(e, sim::encode_scan_reply(c.identity, c.net, header->sender)),
                vlans));
        }
        const auto before = injected;
        const auto start = std::chrono::steady_clock::now();
        for (const auto& f : frames) inject(f);
        // Wall clock of the last frame handed to the link, so that a reader on
        // the same machine can time how late its last row came.
        timespec last{};
        clock_gettime(CLOCK_REALTIME, &last);
        const double ms =
            std::chrono::duration<double, std::milli>(std::chrono::steady_clock::now() - start)
                .count();
        std::fprintf(stderr,
                     "kestrel-sim: burst sent %zu of %zu frames in %.1f ms, last at %lld.%06ld\n",
                     injected - before, frames.size(), ms, static_cast<long long>(last.tv_sec),
                     last.tv_nsec / 1000);
    }

    void handle(sim::ByteView frame) {
        if (auto arp = sim::parse_arp_request(frame)) {
            if (auto reply = segment.on_arp(*arp)) inject(*reply);
            return;
        }
        auto udp = sim::parse_udp_frame(frame);
        if (!udp || udp->ends.dst_port != 8901) return;
        // Logged before anything is answered, so that whoever sees an answer
        // finds its request in the log.
        const auto replies = segment.on_request(*udp);
        log.write(*udp, replies.size());
        if (faults.delay_ms() > 0)
            std::this_thread::sleep_for(std::chrono::milliseconds(faults.delay_ms()));
        for (const auto& r : replies) send_reply(r);
        const auto header = sim::decode_header(udp->payload);
        if (!burst.empty() && header && header->command == sim::code::scan &&
            udp->payload.size() >= 52)
            send_burst(*udp);
    }
};

extern "C" void on_frame(u_char* user, const pcap_pkthdr* h, const u_char* bytes) {
    // Only what was captured counts, whatever the frame claimed.
    reinterpret_cast<Simulator*>(user)->handle(sim::ByteView(bytes, h->caplen));
}

pcap_t* open_capture(const std::string& interface) {
    char err[PCAP_ERRBUF_SIZE] = {};
    pcap_t* p = pcap_create(interface.c_str(), err);
    if (!p) {
        std::fprintf(stderr, "kestrel-sim: %s\n", err);
        return nullptr;
    }
    pcap_set_snaplen(p, 65535);
    pcap_set_promisc(p, 1);
    pcap_set_immediate_mode(p, 1);
    pcap_set_buffer_size(p, 8 * 1024 * 1024);
    if (pcap_activate(p) < 0) {
        std::fprintf(stderr, "kestrel-sim: cannot capture on %s: %s\n", interface.c_str(),
                     pcap_geterr(p));
        pcap_close(p);
        return nullptr;
    }
    // Our own injected frames would otherwise come back to us.
    pcap_setdirection(p, PCAP_D_IN);
    bpf_program filter{};
    if (pcap_compile(p, &filter, "udp dst port 8901 or arp", 1, PCAP_NETMASK_UNKNOWN) < 0 ||
        pcap_setfilter(p, &filter) < 0) {
        std::fprintf(stderr, "kestrel-sim: filter: %s\n", pcap_geterr(p));
        pcap_freecode(&filter);
        pcap_close(p);
        return nullptr;
    }
    pcap_freecode(&filter);
    return p;
}

}  // namespace

int main(int argc, char** argv) {
    std::string error;
    const auto options = sim::parse_options(std::vector<std::string>(argv + 1, argv + argc), error);
    if (!options) {
        if (!error.empty()) std::fprintf(stderr, "kestrel-sim: %s\n", error.c_str());
        std::fputs(sim::usage(), error.empty() ? stdout : stderr);
        return error.empty() ? 0 : 2;
    }

    std::vector<sim::ControllerConfig> configs;
    try {
        if (!options->config_path.empty()) configs = sim::load_controllers(options->config_path);
        else
            configs = sim::generate_controllers(
                options->count.value_or(options->burst > 0 || options->plug > 0 ? 0 : 4),
                options->seed);
        auto line = sim::plugged_controllers(options->plug, options->plug_interval_ms);
        configs.insert(configs.end(), line.begin(), line.end());
        sim::require_distinct_macs(configs);
    } catch (const sim::ConfigError& e) {
        std::fprintf(stderr, "kestrel-sim: %s\n", e.what());
        return 2;
    }

    pcap_t* capture = open_capture(options->interface);
    if (!capture) return 1;

    Simulator s{capture,
                sim::Segment(std::move(configs)),
                sim::Faults(options->faults, options->seed),
                {},
                sim::burst_controllers(options->burst),
                options->vlans};
    if (!options->log_path.empty() && !s.log.open(options->log_path)) {
        std::fprintf(stderr, "kestrel-sim: cannot write %s\n", options->log_path.c_str());
        pcap_close(capture);
        return 1;
    }

    g_capture = capture;
    struct sigaction sa {};
    sa.sa_handler = on_signal;
    sigemptyset(&sa.sa_mask);
    sigaction(SIGTERM, &sa, nullptr);
    sigaction(SIGINT, &sa, nullptr);

    std::fprintf(stderr, "kestrel-sim: %zu controllers on %s\n", s.segment.controllers().size(),
                 options->interface.c_str());
    s.segment.start();
    if (!options->ready_file.empty()) std::ofstream(options->ready_file) << "ready\n";

    const int rc = pcap_loop(capture, -1, on_frame, reinterpret_cast<u_char*>(&s));
    g_capture = nullptr;
    if (rc == PCAP_ERROR)
        std::fprintf(stderr, "kestrel-sim: capture ended: %s\n", pcap_geterr(capture));
    if (s.failed > 0) std::fprintf(stderr, "kestrel-sim: %zu frames could not be sent\n", s.failed);
    pcap_close(capture);
    return rc == PCAP_ERROR ? 1 : 0;
}
