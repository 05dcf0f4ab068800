// The host's animated parameters, channel groups and envelopes, driven through their C records.
#include "lwhost/scene/envelopes.h"
#include <gtest/gtest.h>
#include <lwsdk/lwvparm.h>
#include "lwhost/core/host.h"
#include "lwhost/io/blockio.h"

#include <algorithm>
#include <cmath>
#include <functional>
#include <string>
#include <vector>

namespace {

class EnvelopesTest : public ::testing::Test {
  protected:
    template <class T>
    T* record(const char* name) {
        return static_cast<T*>(host.globals().request(name, LWGLOBAL_READ));
    }

    // A parameter with its channels named `name` in `group`.
    LWVParmID parm(int type, const char* name = "P", LWChanGroupID group = nullptr) {
        LWVParmID p = vp->create(type, LWVP_NOTEXTURE);
        EXPECT_NE(p, nullptr);
        vp->setup(p, name, group, nullptr, nullptr, "qrvTest", nullptr);
        return p;
    }
    // Sets the parameter's values; answers how many it took.
    int set(LWVParmID p, std::vector<double> values) {
        values.resize(3);
        return vp->setVal(p, values.data());
    }
    // The parameter's values at `time`, one per channel written; none when it is refused.
    std::vector<double> at(LWVParmID p, double time) {
        double v[3] = {NAN, NAN, NAN};
        EXPECT_EQ(vp->getVal(p, time, nullptr, v), 0.0) << "no texture, no opacity";
        std::vector<double> written;
        for (double x : v)
            if (!std::isnan(x)) written.push_back(x);
        return written;
    }
    int keyCount(LWEnvelopeID e) {
        int n = -1;
        return env->egGet(e, nullptr, LWENVTAG_KEYCOUNT, &n) ? n : -1;
    }
    int keySet(LWEnvelopeID e, LWEnvKeyframeID k, LWKeyTag tag, double value) {
        return env->keySet(e, k, tag, &value);
    }
    // Loads the parameter's blocks; the error, or null.
    const char* load(LWVParmID p, const std::string& bytes, int mode = LWIO_ASCII) {
        lwhost::MemoryLoadState state(bytes, mode);
        return vp->load(p, state.record());
    }
    LWEnvelopeID channelOf(LWVParmID p, int index) {
        LWEnvelopeID envs[3] = {};
        vp->getEnv(p, envs);
        return envs[index];
    }
    std::vector<std::string> channelNames(LWChanGroupID group) {
        std::vector<std::string> names;
        for (LWChannelID c = ci->nextChannel(group, nullptr); c; c = ci->nextChannel(group, c))
            names.push_back(ci->channelName(c));
        return names;
    }

    lwhost::Host host;
    lwhost::Envelopes envelopes{host};
    const st_LWVParmFuncs* vp = record<st_LWVParmFuncs>(LWVPARMFUNCS_GLOBAL);
    const st_LWChannelInfo* ci = record<st_LWChannelInfo>(LWCHANNELINFO_GLOBAL);
    const st_LWEnvelopeFuncs* env = record<st_LWEnvelopeFuncs>(LWENVELOPEFUNCS_GLOBAL);
};

TEST_F(EnvelopesTest, EvaluatesConstantWithoutKeysAndLinearlyBetweenKeys) {
    ASSERT_TRUE(vp && ci && env);
    LWEnvelopeID e = env->create(nullptr, "E", LWET_FLOAT);
    EXPECT_EQ(env->evaluate(e, 3.0), 0.0);

    env->createKey(e, 1.0, 4.0);
    for (double t : {-10.0, 10.0}) EXPECT_EQ(env->evaluate(e, t), 4.0) << "one key holds at " << t;

    env->createKey(e, 3.0, 8.0);
    env->createKey(e, 5.0, 0.0);
    // Between keys, on one, and held before the first and after the last.
    for (const auto& [t, v] :
         {std::pair{2.0, 6.0}, {4.5, 2.0}, {3.0, 8.0}, {0.0, 4.0}, {99.0, 0.0}})
        EXPECT_DOUBLE_EQ(env->evaluate(e, t), v) << t;

    LWVParmID p = parm(LWVP_FLOAT);
    EXPECT_EQ(set(p, {0.25}), 1);
    EXPECT_EQ(at(p, 7.0), std::vector<double>{0.25}) << "without keys: the set value";
    env->createKey(channelOf(p, 0), 0.0, 1.0);
    EXPECT_EQ(at(p, 7.0), std::vector<double>{1.0}) << "keys win over the set value";
}

TEST_F(EnvelopesTest, KeysStayOrderedAndUniquePerTime) {
    LWEnvelopeID e = env->create(nullptr, "E", LWET_FLOAT);
    LWEnvKeyID late = env->createKey(e, 5.0, 1.0);
    LWEnvKeyID early = env->createKey(e, 1.0, 2.0);
    EXPECT_EQ(env->createKey(e, 5.0, 7.0), late) << "a key at a keyed time takes the value";
    EXPECT_EQ(keyCount(e), 2);
    EXPECT_EQ(env->nextKey(e, nullptr), early);
    EXPECT_EQ(env->nextKey(e, early), late);
    EXPECT_EQ(env->nextKey(e, late), nullptr);

    EXPECT_EQ(keySet(e, early, LWKEY_TIME, 5.0), 0) << "cannot land on another key";
    EXPECT_EQ(keySet(e, early, LWKEY_TIME, 9.0), 1);
    EXPECT_EQ(env->nextKey(e, nullptr), late) << "a moved key is re-sorted";
    EXPECT_EQ(env->findKey(e, 9.0), early);
    double value = 0;
    EXPECT_EQ(env->keyGet(e, late, LWKEY_VALUE, &value), 1);
    EXPECT_EQ(value, 7.0);

    EXPECT_EQ(env->createKey(e, std::nan(""), 1.0), nullptr);
    EXPECT_EQ(keySet(e, late, LWKEY_VALUE, HUGE_VAL), 0);
    env->destroyKey(e, late);
    EXPECT_EQ(env->keyGet(e, late, LWKEY_VALUE, &value), 0) << "a destroyed key is refused";
    EXPECT_EQ(keyCount(e), 1);
}

TEST_F(EnvelopesTest, KeysWalkBothWaysAndEveryChangeMovesTheAge) {
    LWEnvelopeID e = env->create(nullptr, "E", LWET_DISTANCE);
    LWEnvKeyframeID keys[3];
    for (int i = 0; i < 3; ++i) keys[i] = env->createKey(e, i, 10.0 * i);
    EXPECT_EQ(env->prevKey(e, nullptr), keys[2]) << "null: the last";
    EXPECT_EQ(env->prevKey(e, keys[2]), keys[1]);
    EXPECT_EQ(env->prevKey(e, keys[0]), nullptr);

    // Each step changes the envelope (or not) once; reads never do.
    int shape = 1;
    double t = 7.0;
    const struct {
        const char* step;
        std::function<int()> run;
        bool changes;
    } steps[] = {
        {"evaluate", [&] { return int(env->evaluate(e, 1.5)); }, false},
        {"move a key", [&] { return keySet(e, keys[2], LWKEY_TIME, 5.0); }, true},
        {"set a value", [&] { return keySet(e, keys[2], LWKEY_VALUE, 1.0); }, true},
        {"a tag of another kind", [&] { return env->keySet(e, keys[0], LWKEY_SHAPE, &shape); },
         false},
        {"read a key", [&] { return env->keyGet(e, keys[0], LWKEY_TIME, &t); }, false},
        {"destroy a key", [&] { return (env->destroyKey(e, keys[1]), 1); }, true},
        {"destroy it again", [&] { return (env->destroyKey(e, keys[1]), 1); }, false},
    };
    for (const auto& s : steps) {
        const int before = env->envAge(e);
        s.run();
        EXPECT_EQ(env->envAge(e) != before, s.changes) << s.step;
    }
    EXPECT_EQ(keyCount(e), 2);
    EXPECT_EQ(env->keyGet(e, keys[0], LWKEY_BIAS, &t), 0) << "linear keys have no bias";
    EXPECT_EQ(t, 0.0) << "the time read above";

    int n = 0;
    EXPECT_EQ(env->egGet(e, nullptr, LWENVTAG_KEYCOUNT + 1, &n), 0);
    EXPECT_EQ(env->egSet(e, nullptr, LWENVTAG_KEYCOUNT, &n), 0) << "the count is not set";
    EXPECT_EQ(ci->channelType(ci->nextChannel(nullptr, nullptr)), LWET_DISTANCE);
    EXPECT_EQ(env->create(nullptr, "Odd", 0), nullptr) << "an unknown kind";
}

// What this host has no part of is refused, never claimed done.
TEST_F(EnvelopesTest, EditorsEventsAndFiltersAreRefused) {
    LWEnvelopeID e = env->create(nullptr, "E", LWET_FLOAT);
    LWChannelID c = ci->nextChannel(nullptr, nullptr);
    EXPECT_EQ(env->edit(nullptr, e, 0, nullptr), 0);
    EXPECT_EQ(env->setEnvEvent(e, nullptr, nullptr), 0);
    EXPECT_EQ(ci->setChannelEvent(c, nullptr, nullptr), 0);
    EXPECT_EQ(ci->server(c, "ChannelHandler", 1), nullptr);
    EXPECT_EQ(ci->serverApply(c, "ChannelHandler", "Noise", 0), 0);
    EXPECT_EQ(ci->serverInstance(c, "ChannelHandler", 1), nullptr);
}

TEST_F(EnvelopesTest, StateAddsAKeyHoldingTheValueOrDropsEveryKey) {
    LWVParmID p = parm(LWVP_VECTOR);
    set(p, {1, 2, 3});
    EXPECT_EQ(vp->getState(p), 0);
    vp->setState(p, LWVPSF_ENV);
    EXPECT_EQ(vp->getState(p), LWVPSF_ENV);
    EXPECT_EQ(keyCount(channelOf(p, 1)), 1);
    EXPECT_EQ(at(p, 5.0), (std::vector<double>{1, 2, 3})) << "the value holds at every time";

    env->createKey(channelOf(p, 2), 1.0, 9.0);
    vp->setState(p, 0);
    EXPECT_EQ(vp->getState(p), 0);
    EXPECT_EQ(keyCount(channelOf(p, 2)), 0);
    EXPECT_EQ(at(p, 1.0), (std::vector<double>{1, 2, 3}));

    // getEnv fills all three places: null past the last channel or for a stale parameter.
    LWEnvelopeID envs[3];
    vp->getEnv(parm(LWVP_FLOAT), envs);
    EXPECT_NE(envs[0], nullptr);
    EXPECT_EQ(envs[1], nullptr);
    vp->destroy(p);
    vp->getEnv(p, envs);
    EXPECT_EQ(envs[0], nullptr);
}

TEST_F(EnvelopesTest, ChannelGroupsFormANamedTreeHoldingNamedChannels) {
    LWChanGroupID a = env->createGroup(nullptr, "A");
    LWChanGroupID b = env->createGroup(nullptr, "B");
    LWChanGroupID a1 = env->createGroup(a, "A1");
    EXPECT_EQ(ci->nextGroup(nullptr, nullptr), a);
    EXPECT_EQ(ci->nextGroup(nullptr, a), b);
    EXPECT_EQ(ci->nextGroup(nullptr, b), nullptr);
    EXPECT_EQ(ci->nextGroup(a, nullptr), a1);
    EXPECT_EQ(ci->nextGroup(b, a1), nullptr) << "a walk stays under the parent it names";
    EXPECT_EQ(ci->groupParent(a1), a);
    EXPECT_STREQ(ci->groupName(a1), "A1");

    LWVParmID colour = parm(LWVP_COLOR, "Tint", a1);
    parm(LWVP_PERCENT, "Mix", a1);
    parm(LWVP_VECTOR, "Pos", b);
    EXPECT_EQ(channelNames(a1), (std::vector<std::string>{"Tint.R", "Tint.G", "Tint.B", "Mix"}));
    EXPECT_EQ(channelNames(b), (std::vector<std::string>{"Pos.X", "Pos.Y", "Pos.Z"}));
    EXPECT_EQ(host.envelopes().parmGroup(colour), a1);
    LWChannelID first = ci->nextChannel(a1, nullptr);
    EXPECT_EQ(ci->channelParent(first), a1);
    EXPECT_EQ(ci->nextChannel(b, first), nullptr);
    EXPECT_EQ(ci->channelEnvelope(first), channelOf(colour, 0));
    EXPECT_EQ(host.envelopes().parmOwner(colour), "qrvTest");
}

TEST_F(EnvelopesTest, DestroyingAGroupOrphansItsParametersInsteadOfBreakingThem) {
    LWChanGroupID top = env->createGroup(nullptr, "Top");
    LWChanGroupID inner = env->createGroup(top, "Inner");
    LWVParmID p = parm(LWVP_FLOAT, "Level", inner);
    set(p, {0.5});

    env->destroyGroup(top);
    EXPECT_EQ(host.envelopes().groupCount(), 0u) << "the subtree goes with it";
    EXPECT_EQ(ci->groupName(inner), nullptr);
    EXPECT_EQ(env->createGroup(inner, "Child"), nullptr) << "a stale group is refused";
    EXPECT_EQ(host.envelopes().parmGroup(p), nullptr);
    EXPECT_EQ(ci->channelParent(ci->nextChannel(nullptr, nullptr)), nullptr);
    EXPECT_EQ(channelNames(nullptr), std::vector<std::string>{"Level"});
    EXPECT_EQ(at(p, 0.0), std::vector<double>{0.5});
    vp->setup(p, "Again", inner, nullptr, nullptr, "qrvTest", nullptr);
    EXPECT_EQ(channelNames(nullptr), std::vector<std::string>{"Again"})
        << "set up in a stale group, the parameter stays in none";
}

TEST_F(EnvelopesTest, RefusesUnknownTypesTexturesAndStaleHandles) {
    EXPECT_EQ(vp->create(0x12, LWVP_NOTEXTURE), nullptr);
    EXPECT_EQ(vp->create(LWVP_FLOAT, 0), nullptr);

    LWVParmID p = parm(LWVP_COLOR);
    LWEnvelopeID e = channelOf(p, 0);
    env->destroy(e);
    EXPECT_EQ(host.envelopes().envelopeCount(), 3u) << "a parameter's channel is not freed alone";
    vp->destroy(p);
    EXPECT_EQ(host.envelopes().parmCount(), 0u);
    EXPECT_EQ(host.envelopes().envelopeCount(), 0u);
    EXPECT_TRUE(at(p, 0.0).empty());
    EXPECT_EQ(env->createKey(e, 0.0, 1.0), nullptr);
    EXPECT_NE(vp->copy(p, p), nullptr);
}

// A vector's channels evaluate each on its own: set values, or keys where it has them.
TEST_F(EnvelopesTest, CopyTakesKeysAndValuesPerChannelWithHandlesOfItsOwn) {
    LWVParmID from = parm(LWVP_VECTOR);
    LWVParmID to = parm(LWVP_VECTOR);
    EXPECT_EQ(set(from, {1, 2, 3}), 3);
    LWEnvKeyID key = env->createKey(channelOf(from, 2), 4.0, 40.0);
    EXPECT_EQ(vp->copy(to, from), nullptr);
    EXPECT_EQ(at(to, 0.0), (std::vector<double>{1, 2, 40}));
    EXPECT_EQ(keyCount(channelOf(to, 2)), 1);
    EXPECT_NE(env->nextKey(channelOf(to, 2), nullptr), key);

    LWVParmID scalar = parm(LWVP_FLOAT);
    EXPECT_EQ(vp->copy(scalar, from), nullptr) << "only the channels both have";
    EXPECT_EQ(at(scalar, 0.0), std::vector<double>{1.0});
}

// ---- block I/O

class EnvelopeBlocksTest : public EnvelopesTest, public ::testing::WithParamInterface<int> {
  protected:
    std::string save(LWVParmID p) {
        lwhost::MemorySaveState state(GetParam());
        EXPECT_EQ(vp->save(p, state.record()), nullptr);
        state.finish();
        EXPECT_FALSE(state.failed()) << state.error();
        return state.bytes();
    }
};

TEST_P(EnvelopeBlocksTest, SavedParameterLoadsBackWithValuesAndKeys) {
    LWVParmID source = parm(LWVP_COLOR);
    set(source, {0.25, 0.5, 0.75});
    env->createKey(channelOf(source, 1), 0.0, 1.0);
    env->createKey(channelOf(source, 1), 2.5, -3.0);
    std::string bytes = save(source);

    LWVParmID target = parm(LWVP_COLOR);
    env->createKey(channelOf(target, 0), 9.0, 9.0);  // replaced by the loaded keys
    ASSERT_EQ(load(target, bytes, GetParam()), nullptr);
    for (double t : {-1.0, 0.0, 1.0, 2.5, 6.0}) EXPECT_EQ(at(target, t), at(source, t)) << t;
    EXPECT_EQ(keyCount(channelOf(target, 0)), 0);
    EXPECT_EQ(keyCount(channelOf(target, 1)), 2);
}

TEST_P(EnvelopeBlocksTest, DamagedDataChangesNothingAndNeverReadsPastTheEnd) {
    LWVParmID source = parm(LWVP_VECTOR);
    for (int c = 0; c < 3; ++c)
        for (int k = 0; k < 4; ++k) env->createKey(channelOf(source, c), k, c * 10 + k);
    std::string bytes = save(source);

    LWVParmID target = parm(LWVP_VECTOR);
    // Every cut of the data either fails and leaves the target alone, or loads whole channels.
    for (size_t cut = 0; cut < bytes.size(); ++cut) {
        set(target, {7, 8, 9});
        for (int c = 0; c < 3; ++c)
            while (LWEnvKeyID k = env->nextKey(channelOf(target, c), nullptr))
                env->destroyKey(channelOf(target, c), k);
        if (load(target, bytes.substr(0, cut), GetParam()) != nullptr) {
            EXPECT_EQ(at(target, 1.0), (std::vector<double>{7, 8, 9})) << "cut at " << cut;
        }
        for (int c = 0; c < 3; ++c) {
            int keys = keyCount(channelOf(target, c));
            EXPECT_TRUE(keys == 0 || keys == 4) << "cut at " << cut << " channel " << c;
        }
    }
}

INSTANTIATE_TEST_SUITE_P(BothEncodings, EnvelopeBlocksTest,
                         ::testing::Values(LWIO_ASCII, LWIO_BINARY),
                         [](const auto& p) { return p.param == LWIO_ASCII ? "Text" : "Binary"; });

TEST_F(EnvelopesTest, LoadSkipsExtraChannelsKeepsMissingOnesAndRefusesShortKeys) {
    LWVParmID p = parm(LWVP_FLOAT);
    set(p, {3});
    EXPECT_EQ(load(p, "Unknown 1\n"), nullptr);
    EXPECT_EQ(at(p, 0.0), std::vector<double>{3})
        << "no channel block: the channel keeps its value";

    // Keys 0 -> 1 and 2 -> 5 give 3 at time 1; the second channel block is one too many.
    EXPECT_EQ(load(p, "{ Channel\n  Key 0 1\n  Key 2 5\n}\n{ Channel\n  Value 9\n}\n"), nullptr);
    EXPECT_EQ(at(p, 1.0), std::vector<double>{3});
    EXPECT_EQ(keyCount(channelOf(p, 0)), 2) << "no count block: the keys are taken as read";

    EXPECT_NE(load(p, "{ Channel\n  Value 1\n  Key 4\n}\n"), nullptr);
    EXPECT_NE(load(p, "{ Channel\n  Value 1\n  KeyCount 3\n  Key 0 1\n}\n"), nullptr);
    EXPECT_NE(load(p, "{ Channel\n  Key 0 +nan\n}\n"), nullptr);
    EXPECT_EQ(at(p, 1.0), std::vector<double>{3}) << "failed loads leave the parameter alone";
    EXPECT_EQ(keyCount(channelOf(p, 0)), 2);
}

TEST(EnvelopesHostTest, RecordsAnswerSafelyOnceTheirHostIsGone) {
    {
        lwhost::Host host;
        lwhost::Envelopes envelopes(host);
    }
    EXPECT_EQ(lwhost::Envelopes::envelopeRecord()->createGroup(nullptr, "G"), nullptr);
    EXPECT_NE(lwhost::Envelopes::vparmRecord()->load(nullptr, nullptr), nullptr);
}

}  // namespace
