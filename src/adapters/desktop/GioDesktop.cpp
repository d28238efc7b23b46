#include "adapters/desktop/GioDesktop.h"

#include <gio/gio.h>

#include <cstdlib>
#include <filesystem>
#include <fstream>

namespace wl {

namespace {
constexpr const char* kSchema = "org.gnome.desktop.media-handling";
constexpr const char* kKey = "autorun-never";
}  // namespace

GioDesktop::GioDesktop(std::string helpPage, std::vector<std::string> mixers, std::string stateFile)
    : helpPage_(std::move(helpPage)),
      mixers_(std::move(mixers)),
      stateFile_(stateFile.empty() ? defaultStateFile() : std::move(stateFile)) {}

std::string GioDesktop::defaultStateFile() {
    const char* state = std::getenv("XDG_STATE_HOME");
    // The XDG rules ignore a relative folder.
    if (state != nullptr && state[0] == '/') return std::string(state) + "/wavelathe/autorun";
    const char* home = std::getenv("HOME");
    return std::string(home != nullptr && home[0] == '/' ? home : g_get_home_dir()) + "/.local/state/wavelathe/autorun";
}

std::optional<uint32_t> GioDesktop::pendingPolicy() {
    std::ifstream in(stateFile_);
    unsigned long value = 0;
    if (!(in >> value) || value > 0xFFFFFFFFul) return std::nullopt;
    return uint32_t(value);
}

bool GioDesktop::keepPendingPolicy(uint32_t value) {
    namespace fs = std::filesystem;
    std::error_code ec;
    const fs::path file(stateFile_);
    fs::create_directories(file.parent_path(), ec);
    // Written whole under another name, then renamed: a crash never leaves half a value.
    const fs::path part = file.string() + ".part";
    {
        std::ofstream out(part, std::ios::trunc);
        out << value << '\n';
        if (!out.flush()) return false;
    }
    fs::rename(part, file, ec);
    return !ec;
}

void GioDesktop::forgetPendingPolicy() {
    std::error_code ec;
    std::filesystem::remove(stateFile_, ec);
}

GioDesktop::~GioDesktop() { closePolicyKey(); }

bool GioDesktop::openPolicyKey() {
    closePolicyKey();
    GSettingsSchemaSource* source = g_settings_schema_source_get_default();
    if (!source) return false;
    GSettingsSchema* schema = g_settings_schema_source_lookup(source, kSchema, TRUE);
    if (!schema) return false;
    bool hasKey = g_settings_schema_has_key(schema, kKey);
    g_settings_schema_unref(schema);
    if (!hasKey) return false;
    settings_ = g_settings_new(kSchema);
    return settings_ != nullptr;
}

std::optional<uint32_t> GioDesktop::readPolicy() {
    if (!settings_) return std::nullopt;
    bool never = g_settings_get_boolean(static_cast<GSettings*>(settings_), kKey);
    return never ? 0xFFu : 0x95u;
}

bool GioDesktop::writePolicy(uint32_t value) {
    if (!settings_) return false;
    bool ok = g_settings_set_boolean(static_cast<GSettings*>(settings_), kKey, (value & kCdRomBit) != 0);
    g_settings_sync();
    return ok;
}

void GioDesktop::closePolicyKey() {
    if (settings_) g_object_unref(static_cast<GSettings*>(settings_));
    settings_ = nullptr;
}

bool GioDesktop::startVolumeControl() {
    for (const std::string& mixer : mixers_) {
        gchar** argv = g_strsplit(mixer.c_str(), " ", -1);
        gchar* path = argv[0] && *argv[0] ? g_find_program_in_path(argv[0]) : nullptr;
        gboolean ok = FALSE;
        if (path) {
            g_free(argv[0]);
            argv[0] = path;
            GError* error = nullptr;
            ok = g_spawn_async(nullptr, argv, nullptr, G_SPAWN_DEFAULT, nullptr, nullptr, nullptr, &error);
            if (error) g_error_free(error);
        }
        g_strfreev(argv);
        if (ok) return true;
    }
    return false;
}

bool GioDesktop::openWebPage(const std::string& url) {
    if (url.rfind("https://", 0) != 0 && url.rfind("http://", 0) != 0) return false;
    GError* error = nullptr;
    const gboolean ok = g_app_info_launch_default_for_uri(url.c_str(), nullptr, &error);
    if (error) g_error_free(error);
    return ok;
}

bool GioDesktop::openHelpContents() {
    std::error_code ec;
    if (helpPage_.empty() || !std::filesystem::exists(helpPage_, ec)) return false;
    gchar* uri = g_filename_to_uri(std::filesystem::absolute(helpPage_, ec).c_str(), nullptr, nullptr);
    if (!uri) return false;
    GError* error = nullptr;
    gboolean ok = g_app_info_launch_default_for_uri(uri, nullptr, &error);
    if (error) g_error_free(error);
    g_free(uri);
    return ok;
}

}  // namespace wl
