#include <gtest/gtest.h>

#include <cstdlib>
#include <filesystem>
#include <string>

#include "platform/profile.h"
#include "platform/serial_lines.h"
#include "platform/temp_file.h"  // set_environment

namespace fs = std::filesystem;

namespace {

// [devices] comes from %APPDATA%\vordel\vordel.ini.
TEST(Profile, DevicesFromAppData) {
    fs::path appdata = fs::temp_directory_path() / "vordel_profile_test";
    fs::create_directories(appdata / "vordel");
    {
        std::FILE *f = std::fopen((appdata / "vordel" / "vordel.ini").string().c_str(), "w");
        ASSERT_NE(f, nullptr);
        std::fputs("[Devices]\r\ncom1 = \\\\.\\COM7\r\n", f);
        std::fclose(f);
    }
    std::string saved = std::getenv("APPDATA") ? std::getenv("APPDATA") : "";
    set_environment("APPDATA", appdata.string().c_str());
    EXPECT_EQ(profile_string("devices", "COM1").value_or("-"), "\\\\.\\COM7");
    EXPECT_FALSE(profile_string("devices", "COM2").has_value());
    set_environment("APPDATA", saved.empty() ? nullptr : saved.c_str());
    fs::remove_all(appdata);
}

TEST(SerialLines, NoDeviceAnswersFailure) {
    EXPECT_EQ(serial_modem_status(-1), -1);
    EXPECT_FALSE(serial_set_rts(-1, true));
    EXPECT_FALSE(serial_send_flow_char(-1, true));
}

}  // namespace
