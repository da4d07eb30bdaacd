// The run summary: title, problems panel, network line and machine line
// from the failure counts and the findings of the public-address, media-server,
// processor and memory checks.
#include <gtest/gtest.h>

#include <memory>

#include "app/summary_text.h"
#include "probes/net/ip_site_findings.h"
#include "probes/net/server_net_findings.h"
#include "verdict_text_support.h"

namespace {

using testing_support::KeyText;

const std::wstring kTelecom = L"\u7535\u4FE1", kUnicom = L"\u8054\u901A", kChina = L"\u4E2D\u56FD";

CIPSiteFindings Site(std::vector<std::wstring> region, std::wstring ip = L"203.0.113.7") {
  CIPSiteFindings site;
  site.m_strClientIp = std::move(ip);
  site.m_vecRegion = std::move(region);
  return site;
}

// Six servers that reported (delay, loss) in the check's order: Telecom 1,
// Unicom 1, Mobile 1, Telecom 2, Unicom 2, Mobile 2. Limits: loss 1 %, delay 35 ms.
std::unique_ptr<CServerNetFindings> Servers(const std::vector<std::pair<int, int>>& figures) {
  auto servers = std::make_unique<CServerNetFindings>(DefaultMediaServerSlots(), ServerNetLimits());
  for (size_t i = 0; i < figures.size(); ++i) servers->SetServerResult(i, figures[i].first, figures[i].second);
  return servers;
}

const std::vector<std::pair<int, int>> kGoodServers = {{20, 0}, {25, 0}, {30, 0}, {12, 0}, {22, 0}, {28, 0}};

SummaryInput Input(int net, int sys, const CIPSiteFindings* site, const CServerNetFindings* servers, int cpu = 3,
                   int memory = 3) {
  SummaryInput input;
  input.nNetFailures = net;
  input.nSysFailures = sys;
  input.pSite = site;
  input.pServers = servers;
  input.nCpuGrade = cpu;
  input.nMemGrade = memory;
  return input;
}

TEST(RunSummary, NothingFailed) {
  const CIPSiteFindings unicom = Site({kChina, L"\u5317\u4EAC", kUnicom});
  const auto servers = Servers(kGoodServers);  // Telecom 2 is fastest
  SummaryText summary = ComposeSummary(Input(0, 0, &unicom, servers.get(), 3, 2), KeyText);
  EXPECT_FALSE(summary.bProblems);
  EXPECT_EQ(summary.strTitle, L"s.detect.ok");
  EXPECT_EQ(summary.strNetLine, L"s.fmt.detect.net.ok(s.carrier.telecom)") << "the carrier in the reader's words";
  EXPECT_EQ(summary.strSysLine, L"s.detect.sys.ok.quality2");
  EXPECT_EQ(summary.strTitleKey, "s.detect.ok");
  EXPECT_EQ(summary.strNetKey, "s.fmt.detect.net.ok");
  EXPECT_EQ(summary.strSysKey, "s.detect.sys.ok.quality2");

  // A carrier outside the three, or none at all.
  const CIPSiteFindings other = Site({kChina, L"\u9999\u6E2F", L"PCCW"});
  summary = ComposeSummary(Input(0, 0, &other, servers.get()), KeyText);
  EXPECT_EQ(summary.strNetLine, L"s.fmt.detect.net.e.site(PCCW)");
  const CIPSiteFindings nowhere = Site({});
  summary = ComposeSummary(Input(0, 0, &nowhere, servers.get()), KeyText);
  EXPECT_EQ(summary.strNetLine, L"s.fmt.detect.net.e.site(s.unknow)");
  EXPECT_EQ(summary.strNetKey, "s.fmt.detect.net.e.site") << "the key of the line, not of the word filled in";

  // A known carrier but no best server: every server with the lowest loss is
  // slower than 2000 ms.
  const auto slow = Servers({{2500, 0}, {2600, 0}, {3000, 0}, {2100, 0}, {2200, 0}, {2001, 0}});
  const SummaryText noBest = ComposeSummary(Input(0, 0, &unicom, slow.get()), KeyText);
  EXPECT_EQ(noBest.strNetLine, L"");
  EXPECT_EQ(noBest.strNetKey, "") << "a hidden line has no key";
  // No public-address check in the run: no network line.
  EXPECT_EQ(ComposeSummary(Input(0, 0, nullptr, servers.get()), KeyText).strNetLine, L"");
}

TEST(RunSummary, TheMachineLineFollowsTheWeakerGrade) {
  const CIPSiteFindings site = Site({kChina, kTelecom});
  const auto servers = Servers(kGoodServers);
  const struct {
    int cpu, memory;
    const wchar_t* line;
  } rows[] = {{3, 3, L"s.detect.sys.ok.quality1"}, {3, 2, L"s.detect.sys.ok.quality2"},
              {2, 3, L"s.detect.sys.ok.quality2"}, {1, 3, L"s.detect.sys.ok.quality3"},
              {3, 0, L"s.detect.sys.ok.quality3"}};
  for (const auto& row : rows) {
    EXPECT_EQ(ComposeSummary(Input(0, 0, &site, servers.get(), row.cpu, row.memory), KeyText).strSysLine, row.line)
        << row.cpu << "/" << row.memory;
  }
}

TEST(RunSummary, NetworkFailures) {
  const CIPSiteFindings site = Site({kChina, kTelecom});
  const struct {
    std::vector<std::pair<int, int>> figures;
    const wchar_t* line;
  } rows[] = {
      {{{20, 5}, {25, 0}, {30, 0}, {12, 0}, {22, 0}, {28, 0}}, L"s.detect.net.lost"},
      {{{20, 0}, {25, 0}, {80, 0}, {12, 0}, {22, 0}, {28, 0}}, L"s.detect.net.deley"},
      {{{20, 5}, {25, 0}, {80, 0}, {12, 0}, {22, 0}, {28, 0}}, L"s.detect.net.lost.1"},
      {kGoodServers, L""},  // the failure is neither loss nor delay
  };
  for (const auto& row : rows) {
    const auto servers = Servers(row.figures);
    const SummaryText summary = ComposeSummary(Input(1, 0, &site, servers.get()), KeyText);
    EXPECT_TRUE(summary.bProblems);
    EXPECT_EQ(summary.strTitle, L"s.fmt.detect.err(1)");
    EXPECT_EQ(summary.strNetLine, row.line);
    EXPECT_EQ(std::wstring(summary.strNetKey.begin(), summary.strNetKey.end()), row.line);
    EXPECT_EQ(summary.strTitleKey, "s.fmt.detect.err");
    EXPECT_EQ(summary.strSysLine, L"s.detect.sys.ok.quality1");
  }

  // Without an address the connection itself is the problem, whatever the servers measured.
  const auto lossy = Servers({{20, 5}, {25, 0}, {80, 0}, {12, 0}, {22, 0}, {28, 0}});
  for (const CIPSiteFindings& offline : {Site({kChina, kTelecom}, L""), Site({})}) {
    EXPECT_EQ(ComposeSummary(Input(1, 0, &offline, lossy.get()), KeyText).strNetLine, L"s.detect.net.disconnect");
  }
  // No public-address check: judged by the servers; no server check: no line.
  EXPECT_EQ(ComposeSummary(Input(1, 0, nullptr, lossy.get()), KeyText).strNetLine, L"s.detect.net.lost.1");
  EXPECT_EQ(ComposeSummary(Input(1, 0, &site, nullptr), KeyText).strNetLine, L"");
}

TEST(RunSummary, FailuresOfBothGroupsAreCountedTogether) {
  const CIPSiteFindings site = Site({kChina, kTelecom});
  const auto servers = Servers({{20, 5}, {25, 0}, {30, 0}, {12, 0}, {22, 0}, {28, 0}});
  const SummaryText summary = ComposeSummary(Input(1, 2, &site, servers.get()), KeyText);
  EXPECT_TRUE(summary.bProblems);
  EXPECT_EQ(summary.strTitle, L"s.fmt.detect.err(3)");
  EXPECT_EQ(summary.strNetLine, L"s.detect.net.lost");
  EXPECT_EQ(summary.strSysLine, L"s.detect.sys.below.standard");

  const SummaryText systemOnly = ComposeSummary(Input(0, 1, &site, servers.get()), KeyText);
  EXPECT_EQ(systemOnly.strTitle, L"s.fmt.detect.err(1)");
  EXPECT_EQ(systemOnly.strSysLine, L"s.detect.sys.below.standard");
}

}  // namespace
