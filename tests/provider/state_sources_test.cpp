#include "provider/adapter_snapshot.h"
#include "provider/dhcp_leases.h"
#include "provider/dns_servers.h"
#include "provider/state_files.h"

#include <gtest/gtest.h>

#include <array>
#include <sys/socket.h>

#include <filesystem>
#include <fstream>
#include <ctime>
#include <fcntl.h>
#include <sys/stat.h>
#include <unistd.h>

namespace qmr {
namespace {

namespace fs = std::filesystem;

// A scratch folder standing in for /etc, /run and /var/lib.
class StateFolder : public ::testing::Test {
protected:
    fs::path root = fs::temp_directory_path() / ("qmr-state-" + std::to_string(::getpid()));

    void SetUp() override { fs::create_directories(root); }
    void TearDown() override { fs::remove_all(root); }

    std::string Write(const std::string& relative, const std::string& text) {
        const fs::path path = root / relative;
        fs::create_directories(path.parent_path());
        std::ofstream(path) << text;
        return path.string();
    }

    // What may lie where a state file should be: each makes a plain reader hang, balloon or
    // fail, and each must be refused at once with its reason. `regular` holds `text`.
    struct THostileFile {
        const char* what;
        std::string why; // empty: read
    };
    static std::vector<THostileFile> HostileFiles() {
        return {{"fifo", "is not a regular file"},
                {"zero", "is not a regular file"},
                {"folder", "is not a regular file"},
                {"oversize", "is larger than"},
                {"regular", ""}};
    }
    void PutHostile(const std::string& relative, const char* what, std::size_t cap,
                    const std::string& text) {
        const fs::path path = root / relative;
        fs::remove_all(path);
        fs::create_directories(path.parent_path());
        const std::string kind = what;
        if (kind == "fifo") {
            ASSERT_EQ(::mkfifo(path.c_str(), 0600), 0);
        } else if (kind == "zero") {
            fs::create_symlink("/dev/zero", path);
        } else if (kind == "folder") {
            fs::create_directories(path);
        } else if (kind == "oversize") {
            Write(relative, text + std::string(cap, '#'));
        } else {
            Write(relative, text);
        }
    }
};

// The refusal the provider holds for `path`, if any.
std::string RefusalOf(const std::string& path) {
    const std::string all = StateFileRefusals();
    const std::size_t at = all.find(path + " ");
    return at == std::string::npos
               ? std::string()
               : all.substr(at + path.size() + 1, all.find('\n', at) - at - path.size() - 1);
}

TEST(DnsServers, ResolvConfGivesIpv4NameserversInOrder) {
    const auto servers = ParseResolvConf("# comment nameserver 1.1.1.1\n"
                                         "nameserver 10.0.0.53\n"
                                         "  nameserver\t192.168.1.1  # the router\r\n"
                                         "nameserver fe80::1%eth0\n"
                                         "nameserver 300.1.1.1\n"
                                         "search example.org\n"
                                         "nameserver 9.9.9.9");
    EXPECT_EQ(servers, (std::vector<TIpv4Address>{{10, 0, 0, 53}, {192, 168, 1, 1}, {9, 9, 9, 9}}));
}

TEST(DnsServers, ResolvedLinkStateDropsPortsNamesAndIpv6) {
    const auto servers =
        ParseResolvedLinkState("# This is private data. Do not parse.\n"
                               "LLMNR=yes\n"
                               "SERVERS=10.0.0.1 1.1.1.1#cloudflare-dns.com 8.8.8.8:53 "
                               "[2001:db8::1]:53 2001:db8::2\n"
                               "DOMAINS=example.org\n");
    EXPECT_EQ(servers, (std::vector<TIpv4Address>{{10, 0, 0, 1}, {1, 1, 1, 1}, {8, 8, 8, 8}}));
}

TEST_F(StateFolder, ResolvedStateWinsOnlyInItsNamespaceAndWithServers) {
    TDnsSources sources;
    sources.ResolvConf = Write("resolv.conf", "nameserver 127.0.0.53\n");
    sources.ResolvedLinks = (root / "netif").string();
    sources.ResolvedResolvConf = (root / "no-resolved.conf").string();
    Write("netif/2", "SERVERS=10.2.2.2\n");
    Write("netif/3", "LLMNR=yes\n");
    sources.ResolvedServesThisNamespace = [] { return true; };

    EXPECT_EQ(ReadDnsServers(2, sources), (std::vector<TIpv4Address>{{10, 2, 2, 2}}));
    // The stub is resolved's local proxy, never a server of the link.
    EXPECT_TRUE(ReadDnsServers(3, sources).empty());
    EXPECT_TRUE(ReadDnsServers(4, sources).empty());

    // In another namespace the same index is another link.
    sources.ResolvedServesThisNamespace = [] { return false; };
    EXPECT_TRUE(ReadDnsServers(2, sources).empty());

    sources.ResolvConf = (root / "missing").string();
    EXPECT_TRUE(ReadDnsServers(4, sources).empty());
}

// Whatever stands at resolv.conf, the DNS reader returns at once, keeps the refusal for the
// window and qmr-report, and still gives resolved's servers of the link.
TEST_F(StateFolder, DnsReaderRefusesWhatIsNoResolverFileAndKeepsTheOthers) {
    constexpr std::size_t kCap = StateFileMaxBytes(TStateFileKind::ResolverConfiguration);
    TDnsSources sources;
    sources.ResolvConf = (root / "etc/resolv.conf").string();
    sources.ResolvedLinks = (root / "netif").string();
    sources.ResolvedResolvConf = (root / "absent.conf").string();
    sources.ResolvedServesThisNamespace = [] { return true; };
    Write("netif/2", "SERVERS=10.2.2.2\n");
    for (const THostileFile& file : HostileFiles()) {
        SCOPED_TRACE(file.what);
        PutHostile("etc/resolv.conf", file.what, kCap, "nameserver 10.9.9.9\n");
        const bool read = file.why.empty();
        EXPECT_EQ(ReadDnsServers(2, sources), (std::vector<TIpv4Address>{{10, 2, 2, 2}}));
        const std::vector<TIpv4Address> plain =
            read ? std::vector<TIpv4Address>{{10, 9, 9, 9}} : std::vector<TIpv4Address>{};
        EXPECT_EQ(ReadDnsServers(3, sources), plain);
        EXPECT_EQ(TDnsBook(sources).ServersOf(2).size(), 1u);
        EXPECT_EQ(RefusalOf(sources.ResolvConf).substr(0, file.why.size()), file.why);
        EXPECT_EQ(RefusalOf(sources.ResolvConf).empty(), read);
    }
    // A refused file that is then removed is refused no more.
    PutHostile("etc/resolv.conf", "fifo", kCap, "");
    EXPECT_TRUE(ReadDnsServers(3, sources).empty());
    fs::remove(root / "etc/resolv.conf");
    EXPECT_TRUE(ReadDnsServers(3, sources).empty());
    EXPECT_EQ(RefusalOf(sources.ResolvConf), "");
}

// The same for the lease reader: a hostile networkd lease leaves dhclient's lease of the link.
TEST_F(StateFolder, LeaseReaderRefusesWhatIsNoLeaseFileAndKeepsTheOthers) {
    constexpr std::size_t kCap = StateFileMaxBytes(TStateFileKind::NetworkState);
    TLeaseSources sources{(root / "leases").string(), (root / "dhcp").string(),
                          (root / "nm").string(), (root / "links").string()};
    Write("dhcp/dhclient.leases",
          "lease {\n interface \"eth4\";\n fixed-address 10.4.0.9;\n expire epoch 300;\n}\n");
    for (const THostileFile& file : HostileFiles()) {
        SCOPED_TRACE(file.what);
        PutHostile("leases/4", file.what, kCap, "ADDRESS=10.4.0.9\nLIFETIME=86400\n");
        const bool read = file.why.empty();
        const auto lease = TLeaseBook(sources).Find(4, "eth4", {{10, 4, 0, 9}});
        ASSERT_TRUE(lease.has_value());
        EXPECT_EQ(lease->Expires, read ? 0 : 300); // networkd's lease, else dhclient's
        const std::string path = (root / "leases/4").string();
        EXPECT_EQ(RefusalOf(path).substr(0, file.why.size()), file.why);
        EXPECT_EQ(RefusalOf(path).empty(), read);
    }
}

// The IPv6 servers among what the book gives a link, as bytes (zones aside).
using TDnsIpv6Address = std::array<std::uint8_t, 16>;
std::vector<TDnsIpv6Address> Ipv6Of(const std::vector<TIpAddress>& servers) {
    std::vector<TDnsIpv6Address> out;
    for (const TIpAddress& s : servers) {
        if (s.Family == AF_INET6) {
            out.push_back(s.Bytes);
        }
    }
    return out;
}

TEST_F(StateFolder, UnderResolvedEachLinkHasItsOwnServersIpv4AndIpv6) {
    using V6 = std::vector<TDnsIpv6Address>;
    TDnsIpv6Address v6a{0x20, 0x01, 0x0d, 0xb8};
    v6a[15] = 1;
    TDnsIpv6Address v6b{0xfe, 0x80};
    v6b[15] = 2;
    EXPECT_EQ(Ipv6Of(ParseResolvedLinkServers("SERVERS=10.0.0.1 [2001:db8::1]:53#dns.example "
                                              "fe80::2%3 8.8.8.8:53 [fe80::2%wlan0]:5353 bogus\n")),
              (V6{v6a, v6b, v6b}));

    const std::string everyLink = "nameserver 10.2.2.2\nnameserver 2001:db8::1\n";
    TDnsSources sources;
    sources.ResolvedLinks = (root / "netif").string();
    sources.ResolvedResolvConf = Write("resolve/resolv.conf", everyLink);
    sources.ResolvedServesThisNamespace = [] { return true; };
    Write("netif/2", "SERVERS=10.2.2.2 [2001:db8::1]:53\n");
    Write("netif/3", "SERVERS=\nLLMNR=yes\n");
    Write("netif/5", "SERVERS=2001:db8::1\n");
    struct Case {
        const char* resolvConf;
        std::uint32_t link;
        std::vector<TIpv4Address> ipv4;
        std::optional<V6> ipv6;
    };
    const Case cases[] = {
        // The stub, 127.0.0.53 or 127.0.0.54: only the link's own servers.
        {"nameserver 127.0.0.53\noptions edns0\n", 2, {{10, 2, 2, 2}}, V6{v6a}},
        {"nameserver 127.0.0.54\n", 3, {}, V6{}},
        {"nameserver 127.0.0.53\n", 4, {}, V6{}}, // no state for the link
        {"nameserver 127.0.0.53\n", 5, {}, V6{v6a}},
        // resolv.conf is resolved's list of every link's servers.
        {everyLink.c_str(), 3, {}, V6{}},
        {everyLink.c_str(), 5, {}, V6{v6a}},
        // A plain resolv.conf applies to every link, unless resolved names the link's servers.
        {"nameserver 192.168.1.1\n", 3, {{192, 168, 1, 1}}, std::nullopt},
        {"nameserver 192.168.1.1\n", 4, {{192, 168, 1, 1}}, std::nullopt},
        {"nameserver 192.168.1.1\n", 2, {{10, 2, 2, 2}}, V6{v6a}},
        {"nameserver 192.168.1.1\n", 5, {{192, 168, 1, 1}}, V6{v6a}},
    };
    for (const Case& c : cases) {
        sources.ResolvConf = Write("etc/resolv.conf", c.resolvConf);
        EXPECT_EQ(ReadDnsServers(c.link, sources), c.ipv4) << c.resolvConf << c.link;
        // No IPv6 servers of the link's own: resolv.conf's IPv6 lines, none in these files.
        EXPECT_EQ(Ipv6Of(TDnsBook(sources).ServersOf(c.link)), c.ipv6.value_or(V6{}))
            << c.resolvConf << c.link;
    }

    // In another namespace resolved speaks for no link there; the stub is still never shown.
    sources.ResolvedServesThisNamespace = [] { return false; };
    sources.ResolvConf = Write("etc/resolv.conf", "nameserver 127.0.0.53\nnameserver 9.9.9.9\n");
    EXPECT_EQ(ReadDnsServers(2, sources), (std::vector<TIpv4Address>{{9, 9, 9, 9}}));
    EXPECT_TRUE(Ipv6Of(TDnsBook(sources).ServersOf(2)).empty());
    EXPECT_EQ(TDnsBook(sources).ServersOf(2).size(), 1u); // 9.9.9.9, never the stub
}

TEST(SearchDomains, ResolvConfAndResolvedLinkStateAsTheResolverReadsThem) {
    using L = std::vector<std::string>;
    struct Case {
        TDnsDomains (*parse)(std::string_view);
        const char* text;
        const char* suffix;
        L search;
    };
    const Case cases[] = {
        {ParseResolvConfDomains, "nameserver 10.0.0.1\nsearch corp.example\tlab.example .\n",
         "corp.example", {"corp.example", "lab.example"}},
        // The last search or domain line wins; a domain line is a list of one and the suffix.
        {ParseResolvConfDomains, "search a.example b.example\ndomain home.example\n",
         "home.example", {"home.example"}},
        {ParseResolvConfDomains, "domain home.example\nsearch a.example\n", "home.example",
         {"a.example"}},
        {ParseResolvConfDomains, "nameserver 10.0.0.1\n# search commented.example\n", "", {}},
        {ParseResolvConfDomains, "search\n", "", {}},
        // Route-only domains search nothing.
        {ParseResolvedLinkDomains, "SERVERS=10.0.0.1\nDOMAINS=corp.example ~lab.example ~.\n",
         "corp.example", {"corp.example"}},
        {ParseResolvedLinkDomains, "ROUTE_DOMAINS=~corp.example\nDOMAINS=\n", "", {}},
    };
    for (const Case& c : cases) {
        const TDnsDomains domains = c.parse(c.text);
        EXPECT_EQ(domains.Suffix, c.suffix) << c.text;
        EXPECT_EQ(domains.Search, c.search) << c.text;
    }
}

// The servers' rule: under resolved a link has its own domains or none, never the list resolved
// writes into resolv.conf for every link; elsewhere resolv.conf's unless resolved names its own.
TEST_F(StateFolder, DomainsOfALinkFollowTheServersRule) {
    using L = std::vector<std::string>;
    TDnsSources sources;
    sources.ResolvedLinks = (root / "netif").string();
    sources.ResolvedResolvConf = Write("resolve/resolv.conf", "nameserver 10.2.2.2\n");
    Write("netif/2", "SERVERS=10.2.2.2\nDOMAINS=corp.example\n");
    Write("netif/3", "SERVERS=10.3.3.3\n");
    struct Case {
        const char* resolvConf;
        bool resolvedServes;
        std::uint32_t link;
        L search;
    };
    const Case cases[] = {
        {"nameserver 127.0.0.53\nsearch corp.example every.example\n", true, 2, {"corp.example"}},
        {"nameserver 127.0.0.53\nsearch corp.example every.example\n", true, 3, {}},
        {"nameserver 127.0.0.53\nsearch corp.example every.example\n", false, 2, {}},
        {"nameserver 10.9.9.9\nsearch plain.example\n", true, 2, {"corp.example"}},
        {"nameserver 10.9.9.9\nsearch plain.example\n", true, 3, {"plain.example"}},
        {"nameserver 10.9.9.9\nsearch plain.example\n", false, 2, {"plain.example"}},
    };
    for (const Case& c : cases) {
        sources.ResolvConf = Write("etc/resolv.conf", c.resolvConf);
        sources.ResolvedServesThisNamespace = c.resolvedServes ? +[] { return true; }
                                                               : +[] { return false; };
        TDnsBook book(sources);
        // Asked after the servers, as the provider asks, and on its own.
        book.ServersOf(c.link);
        EXPECT_EQ(book.DomainsOf(c.link).Search, c.search) << c.resolvConf << c.link;
        EXPECT_EQ(TDnsBook(sources).DomainsOf(c.link).Search, c.search) << c.resolvConf << c.link;
    }
}

TEST(DhcpLeases, NetworkdLeaseNeedsAnAddress) {
    const auto lease =
        ParseNetworkdLease("# This is private data. Do not parse.\n"
                           "ADDRESS=192.168.1.50\nNETMASK=255.255.255.0\n"
                           "ROUTER=192.168.1.1\nSERVER_ADDRESS=192.168.1.1\nLIFETIME=86400\n");
    ASSERT_TRUE(lease.has_value());
    EXPECT_EQ(lease->Address, (TIpv4Address{192, 168, 1, 50}));
    EXPECT_EQ(lease->Server, (TIpv4Address{192, 168, 1, 1}));
    EXPECT_FALSE(ParseNetworkdLease("SERVER_ADDRESS=192.168.1.1\n").has_value());
}

TEST(DhcpLeases, DhclientBlocksWithTimesInUtcOrEpoch) {
    const auto leases = ParseDhclientLeases(
        "default-duid \"\\000\\001\";\n"
        "lease {\n  interface \"eth0\";\n  fixed-address 10.0.2.15;\n"
        "  option dhcp-lease-time 86400;\n  option dhcp-server-identifier 10.0.2.2;\n"
        "  renew 2 2024/01/09 18:00:00;\n  expire 3 2024/01/10 12:00:00;\n}\n"
        "lease {\n  interface \"wlan0\";\n  fixed-address 192.168.1.7;\n"
        "  option dhcp-lease-time 3600;\n  expire epoch 1704891600; # Wed Jan 10 13:00:00 2024\n}\n"
        "lease {\n  interface \"eth0\";\n  option dhcp-server-identifier 10.0.2.2;\n}\n");
    ASSERT_EQ(leases.size(), 2u); // the block without an address is no lease
    EXPECT_EQ(leases[0].Interface, "eth0");
    EXPECT_EQ(leases[0].Lease.Address, (TIpv4Address{10, 0, 2, 15}));
    EXPECT_EQ(leases[0].Lease.Server, (TIpv4Address{10, 0, 2, 2}));
    EXPECT_EQ(leases[0].Lease.Expires, 1704888000);
    EXPECT_EQ(leases[0].Lease.Obtained, 1704888000 - 86400);
    EXPECT_EQ(leases[1].Interface, "wlan0");
    EXPECT_EQ(leases[1].Lease.Expires, 1704891600);
    EXPECT_EQ(leases[1].Lease.Obtained, 1704891600 - 3600);
    EXPECT_FALSE(leases[1].Lease.Server.has_value());
}

TEST_F(StateFolder, LeaseCountsOnlyWhileTheLinkHoldsItsAddress) {
    TLeaseSources sources{(root / "run").string(), (root / "dhcp").string(), (root / "nm").string(),
                          (root / "links").string()};
    Write("run/4", "ADDRESS=10.4.0.9\nSERVER_ADDRESS=10.4.0.1\n");
    Write("nm/internal-1b2c3d4e-aaaa-bbbb-cccc-0123456789ab-wl-an.lease", "ADDRESS=10.5.0.9\n");
    Write("dhcp/dhclient.eth1.leases",
          "lease {\n interface \"eth1\";\n fixed-address 10.6.0.8;\n expire epoch 100;\n}\n"
          "lease {\n interface \"eth1\";\n fixed-address 10.6.0.9;\n expire epoch 200;\n}\n"
          "lease {\n interface \"eth1\";\n fixed-address 10.6.0.9;\n expire epoch 300;\n}\n");
    Write("dhcp/unrelated.txt", "lease {\n interface \"eth1\";\n fixed-address 10.6.0.7;\n}\n");
    const TLeaseBook book(sources);

    EXPECT_EQ(book.Find(4, "any", {{10, 4, 0, 9}})->Server, (TIpv4Address{10, 4, 0, 1}));
    // Index 4 of another namespace holds another address.
    EXPECT_FALSE(book.Find(4, "any", {{10, 4, 0, 10}}).has_value());
    EXPECT_FALSE(book.Find(4, "any", {}).has_value());
    EXPECT_TRUE(book.Find(8, "wl-an", {{10, 5, 0, 9}}).has_value());
    EXPECT_FALSE(book.Find(8, "an", {{10, 5, 0, 9}}).has_value());
    // dhclient appends; the last block for the held address is current.
    EXPECT_EQ(book.Find(9, "eth1", {{10, 6, 0, 9}})->Expires, 300);
    EXPECT_EQ(book.Find(9, "eth1", {{10, 6, 0, 8}})->Expires, 100);
    EXPECT_FALSE(book.Find(9, "eth1", {{10, 6, 0, 7}}).has_value());
    EXPECT_FALSE(book.Find(9, "eth2", {{10, 6, 0, 9}}).has_value());
}

TEST(DhcpLeases, NetworkFileDhcpSettingAndLinkStateFiles) {
    const std::pair<const char*, std::optional<bool>> cases[] = {
        {"[Match]\nName=wl*\n[Network]\nDHCP=yes\n", true},
        {"[Network]\n  DHCP = ipv4 \n", true},
        {"[Network]\nDHCP=both\n", true},
        {"[Network]\nDHCP=ipv6\n", false},
        {"[Network]\nDHCP=yes\nDHCP=no\n", false},
        {"[Network]\n#DHCP=yes\nAddress=10.0.0.2/24\n", std::nullopt},
        {"[DHCPv4]\nDHCP=yes\n", std::nullopt},
    };
    for (const auto& [text, asks] : cases) {
        EXPECT_EQ(NetworkFileAsksDhcp4(text), asks) << text;
    }
    EXPECT_EQ(
        NetworkdLinkNetworkFiles("ADMIN_STATE=configured\n"
                                 "NETWORK_FILE=/etc/systemd/network/wl.network\n"
                                 "NETWORK_FILE_DROPINS=\"/a/x.conf /a/y.conf\"\n"),
        (std::vector<std::string>{"/etc/systemd/network/wl.network", "/a/x.conf", "/a/y.conf"}));
}

TEST_F(StateFolder, LinkWithoutAddressIsDhcpWhereItsManagerSaysSo) {
    TLeaseSources sources{(root / "leases").string(), (root / "dhcp").string(),
                          (root / "nm").string(), (root / "links").string()};
    sources.ManagersServeThisNamespace = [] { return true; };
    Write("leases/2", "SERVER_ADDRESS=10.2.0.1\n");
    Write("nm/internal-1b2c3d4e-aaaa-bbbb-cccc-0123456789ab-wl-an.lease", "");
    Write("nm/dhclient-1b2c3d4e-aaaa-bbbb-cccc-0123456789ab-enp3s0.lease", "");
    const std::string dhcp = Write("net/dhcp.network", "[Network]\nDHCP=yes\n");
    const std::string manual = Write("net/manual.conf", "[Network]\nDHCP=no\n");
    Write("links/5", "NETWORK_FILE=" + dhcp + "\n");
    Write("links/6", "NETWORK_FILE=" + dhcp + "\nNETWORK_FILE_DROPINS=\"" + manual + "\"\n");
    Write("links/7", "NETWORK_FILE=" + (root / "gone.network").string() + "\n");
    const TLeaseBook book(sources);

    EXPECT_TRUE(book.ConfiguredByDhcp(2, "eth0"));   // networkd's lease file
    EXPECT_TRUE(book.ConfiguredByDhcp(3, "wl-an"));  // NetworkManager's internal client
    EXPECT_TRUE(book.ConfiguredByDhcp(3, "enp3s0")); // NetworkManager's dhclient
    EXPECT_TRUE(book.ConfiguredByDhcp(5, "eth5"));   // networkd's applied configuration
    EXPECT_FALSE(book.ConfiguredByDhcp(6, "eth6"));  // a drop-in turned DHCP off
    EXPECT_FALSE(book.ConfiguredByDhcp(7, "eth7"));
    EXPECT_FALSE(book.ConfiguredByDhcp(8, "an"));

    // Through the records: DHCP, with nothing leased to tell.
    TLinkFacts link;
    link.Index = 5;
    link.Name = "eth5";
    link.Kind = "veth";
    TAdapterSnapshot snapshot = GroupAdapterFacts({&link}, {}, {});
    CompleteAdapterRecords(snapshot, -1, book, TClockReading{1000, 100});
    EXPECT_TRUE(snapshot.Records[0].DhcpEnabled);
    EXPECT_FALSE(snapshot.Records[0].DhcpServer.has_value());
    EXPECT_EQ(snapshot.Records[0].LeaseObtained, 0);
    EXPECT_EQ(snapshot.Records[0].LeaseExpires, 0);

    // In another namespace the same index and name are other links.
    sources.ManagersServeThisNamespace = [] { return false; };
    const TLeaseBook elsewhere(sources);
    EXPECT_FALSE(elsewhere.ConfiguredByDhcp(2, "eth0"));
    EXPECT_FALSE(elsewhere.ConfiguredByDhcp(3, "wl-an"));
    EXPECT_FALSE(elsewhere.ConfiguredByDhcp(5, "eth5"));
}

} // namespace
} // namespace qmr

namespace qmr {
namespace {

// A state file is read again when its inode, size or modification time changed, and only
// then; a folder's listing likewise. One changed in the last moments is read every time.
TEST_F(StateFolder, StateFilesAreReadAgainOnlyWhenTheirIdentityChanged) {
    const std::string path = Write("resolv.conf", "nameserver 10.0.0.1\n");
    const auto read = [&] { return ReadStateFile(path, TStateFileKind::ResolverConfiguration); };
    const auto stamp = [](const fs::path& where, std::time_t seconds) {
        const timespec times[2] = {{seconds, 0}, {seconds, 0}};
        ASSERT_EQ(::utimensat(AT_FDCWD, where.c_str(), times, 0), 0);
    };
    const auto rewrite = [&](const std::string& text, std::time_t seconds) {
        std::ofstream(path) << text;
        stamp(path, seconds);
    };
    const std::time_t now = std::time(nullptr);
    // Just written: read again even where nothing tells it changed.
    EXPECT_EQ(read(), "nameserver 10.0.0.1\n");
    rewrite("nameserver 10.0.0.2\n", now);
    EXPECT_EQ(read(), "nameserver 10.0.0.2\n");
    rewrite("nameserver 10.0.0.2\n", now);
    EXPECT_EQ(read(), "nameserver 10.0.0.2\n");

    const std::time_t past = now - 100;
    rewrite("nameserver 10.0.0.3\n", past);
    EXPECT_EQ(read(), "nameserver 10.0.0.3\n");
    // Same inode, size and time: taken as the same file, so not read again.
    rewrite("nameserver 10.0.0.4\n", past);
    EXPECT_EQ(read(), "nameserver 10.0.0.3\n");
    rewrite("nameserver 10.0.0.4\n", past + 1);
    EXPECT_EQ(read(), "nameserver 10.0.0.4\n");
    rewrite("nameserver 10.0.0.55\n", past + 1);
    EXPECT_EQ(read(), "nameserver 10.0.0.55\n");
    // Another file renamed over it, as resolvers write theirs: another inode.
    const std::string next = Write("resolv.conf.new", "nameserver 10.0.0.66\n");
    stamp(next, past + 1);
    fs::rename(next, path);
    EXPECT_EQ(read(), "nameserver 10.0.0.66\n");
    fs::remove(path);
    EXPECT_EQ(read(), std::nullopt);

    const fs::path leases = root / "leases";
    Write("leases/2", "ADDRESS=10.0.0.2\n");
    stamp(leases, past);
    EXPECT_EQ(ListStateFolder(leases.string()), std::vector<std::string>{"2"});
    Write("leases/3", "ADDRESS=10.0.0.3\n");
    fs::remove(leases / "2");
    EXPECT_EQ(ListStateFolder(leases.string()), std::vector<std::string>{"3"});
}

} // namespace
} // namespace qmr
