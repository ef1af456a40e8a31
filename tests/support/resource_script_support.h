// Test helpers of the resource manager tests: scripts written into the application folder
// and the error lines a script produced.
#pragma once

#include <gtest/gtest.h>

#include <fstream>
#include <memory>
#include <string>
#include <vector>

#include "engine/engine.h"
#include "engine/helpers/resource_manager.h"
#include "platform/backend/headless.h"
#include "tests/support/helpers_golden.h"

namespace restest_rm {

// Engine reference and a quiet captured log.
class ScriptTest : public ::testing::Test {
protected:
    void SetUp() override {
        engine = CreateEngine(ENGINE_VERSION);
        ASSERT_NE(engine, nullptr);
        platform::headless::SetDebugEcho(false);
        platform::headless::ClearDebugOutput();
    }
    void TearDown() override {
        for (const std::string& f : written) helpers_test::RemoveAppFile(f);
        platform::headless::SetDebugEcho(true);
        if (engine) engine->System_Release();
    }

    // Writes a file under the application folder (removed after the test); returns its name.
    std::string Write(const std::string& name, const std::string& text) {
        written.push_back(name);
        return helpers_test::WriteAppFile(name, text);
    }

    std::unique_ptr<ResourceManager> Load(const std::string& name, const std::string& text) {
        Write(name, text);
        platform::headless::ClearDebugOutput();
        return std::make_unique<ResourceManager>(name.c_str());
    }

    static std::vector<std::string> Log() { return platform::headless::DebugLines(); }

    // The log lines of the tokenizer errors of one script ("name, line ...").
    static std::vector<std::string> Errors(const std::string& script) {
        std::vector<std::string> out;
        std::string prefix = script + ", line ";
        for (const std::string& l : platform::headless::DebugLines())
            if (l.compare(0, prefix.size(), prefix) == 0) out.push_back(l);
        return out;
    }

    template <class T>
    static T* Rec(ResourceManager* rm, int list, const char* name) {
        return static_cast<T*>(rm->FindResource(list, name));
    }

    Engine* engine = nullptr;
    std::vector<std::string> written;
};

}  // namespace restest_rm
