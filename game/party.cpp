// The party: first-visit events of the features, rivers' dysentery, the disease tick, injuries.
#include "game/game.h"
#include "game/utils.h"
#include "game/wagon.h"

const char* const InjuryMessages[3] = {"%s has a broken arm.", "%s has a broken leg.", "%s fainted."};

namespace {

void Cue(EffectHandle effect) { PlayEffectAdjusted(effect, 50, 0, 1.0f); }

bool Alive(const PartyMember& m) { return m.health > 0; }

}  // namespace

template <typename Test>
int Game::TryMember(Test test) {
    for (int i = 0; i < 5; ++i) {
        const int k = int(RandomInt(PARTY_SIZE));
        if (test(party[k])) return k;
    }
    return -1;
}

void Game::Visit(Feature& feature) {
    if (!feature.visited) {
        feature.visited = true;
        switch (feature.type) {
        case FEATURE_START_TOWN:
            ShowMessage(180, "Good luck.\nYou have a long and difficult\njourney ahead of you.");
            PlayStream(startMusic);
            started = true;
            break;

        case FEATURE_TOWN:
            if (RandomInt(4) == 0) {
                const int k = TryMember([](const PartyMember& m) { return Alive(m) && m.disease != DISEASE_CHOLERA; });
                if (k >= 0) {
                    party[k].disease = DISEASE_CHOLERA;
                    party[k].diseaseTimer = 150;
                    ShowMessage(180, "%s is under quarantine.\n%s has cholera.", feature.name, party[k].name);
                    Cue(g_BadSound);
                }
            } else {
                ShowMessage(180, "You rest for 3 days\nin %s.", feature.name);
                for (PartyMember& m : party)
                    if (Alive(m)) m.health = MinInt(m.health + 25, 100);
                const int k = TryMember([](const PartyMember& m) { return Alive(m) && m.disease != DISEASE_NONE; });
                if (k >= 0) {
                    party[k].disease = DISEASE_NONE;
                    ShowMessage(180, "The local doctor manages\nto cure %s's ailment.", party[k].name);
                }
                Cue(g_GoodSound);
            }
            break;

        case FEATURE_TRIBE: {
            PlayStream(tribeMusic);
            int r = int(RandomInt(5));
            if (food < 200 && RandomInt(2) == 0) r = 3;
            if (r == 0) {
                const int k = TryMember([](const PartyMember& m) { return m.health == 0; });
                if (k >= 0) {
                    party[k].health = 100;
                    party[k].disease = DISEASE_NONE;
                    party[k].name = "Twofeathers";
                    party[k].portrait = 5;
                    ShowMessage(180, "You discover a wise indian tribe.\nOne of them joins you as a guide.");
                } else {
                    r = int(RandomInt(4)) + 1;
                }
            }
            if (r == 1 || r == 2) {
                const int k = TryMember([](const PartyMember& m) { return Alive(m) && m.disease != DISEASE_TYPHOID; });
                if (k >= 0) {
                    party[k].disease = DISEASE_TYPHOID;
                    party[k].diseaseTimer = 50;
                    ShowMessage(180, "You discover a sick indian tribe.\n%s has typhoid.", party[k].name);
                }
            } else if (r == 3) {
                const int gift = int(RandomInt(4)) * 100 + 150;
                food += gift;
                ShowMessage(180, "You discover a friendly indian tribe.\nThey give you a gift of\n%d pounds of food.",
                            gift);
            } else if (r == 4) {
                ShowMessage(180, "You discover a suspicious indian tribe.\nYour wagon is cursed.");
                if (wagon) wagon->Curse();
            }
            break;
        }

        case FEATURE_STORE: {
            const int gain = int(RandomInt(4)) * 100 + 200;
            food += gain;
            ShowMessage(180, "You trade with the store\nfor %d pounds of food.", gain);
            Cue(g_GoodSound);
            break;
        }

        case FEATURE_EL_MORVANE:
            ShowMessage(540,
                        "You find the legendary\nlost city of EL MORVANE.\nCongratulations, you\nare fantastically "
                        "rich.");
            endCountdown = 600;
            won = true;
            state = GAMESTATE_ENDED;
            if (wagon) wagon->body->PutToSleep();
            PlayStream(winMusic);
            break;

        case FEATURE_RIVER:
        case FEATURE_TREE:
            break;
        }
    }

    if (feature.type == FEATURE_RIVER && g_FrameCounter % 5 == 0 && RandomInt(10) == 0) {
        const int k = TryMember([](const PartyMember& m) { return Alive(m) && m.disease != DISEASE_DYSENTERY; });
        if (k >= 0) {
            party[k].disease = DISEASE_DYSENTERY;
            party[k].diseaseTimer = 20;
            ShowMessage(180, "%s has dysentery.", party[k].name);
            Cue(g_BadSound);
        }
    }
}

int Game::DiseaseTick() {
    int sum = 0;
    for (PartyMember& m : party) {
        if (m.health > 0 && m.disease != DISEASE_NONE && g_FrameCounter % 60 == 0) {
            m.diseaseTimer -= 1;
            switch (m.disease) {
            case DISEASE_DYSENTERY:
                m.health -= 2;
                break;
            case DISEASE_CHOLERA:
                if (RandomInt(3) == 0) m.health -= 1;
                break;
            case DISEASE_TYPHOID:
                m.health -= 1;
                break;
            case DISEASE_NONE:
                break;
            }
            if (m.diseaseTimer == 0) m.disease = DISEASE_NONE;
            if (m.health <= 0) {
                m.health = 0;
                ShowMessage(180, "%s is dead.", m.name);
                Cue(g_BadSound);
            }
        }
        sum += m.health;
    }
    return sum;
}

void Game::InjureRandomMember() {
    // Nobody alive (starvation can coincide with the wagon's recovery): nothing to injure.
    bool anyone = false;
    for (const PartyMember& m : party) anyone = anyone || Alive(m);
    if (!anyone) return;

    int k;
    do {
        k = int(RandomInt(PARTY_SIZE));
    } while (!Alive(party[k]));
    party[k].health -= 34;
    if (party[k].health <= 0) {
        party[k].health = 0;
        ShowMessage(180, "%s is dead.", party[k].name);
    } else {
        ShowMessage(180, InjuryMessages[RandomInt(3)], party[k].name);
    }
}

int Game::PickLivingMember() {
    int count = 0;
    for (const PartyMember& m : party)
        if (Alive(m)) ++count;
    if (count == 0) return 0;
    int k = int(RandomInt(uint32_t(count)));
    for (int i = 0; i < PARTY_SIZE; ++i) {
        if (!Alive(party[i])) continue;
        if (k == 0) return i;
        --k;
    }
    return 0;
}
