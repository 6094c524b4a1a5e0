#include "platform/desktop/gsettings_desktops.h"

#include <gio/gio.h>

#include <string>
#include <vector>

namespace desktop {

namespace {

struct SchemaUnref {
    void operator()(GSettingsSchema* schema) const {
        if (schema)
            g_settings_schema_unref(schema);
    }
};
using SchemaPtr = std::unique_ptr<GSettingsSchema, SchemaUnref>;

struct ObjectUnref {
    void operator()(gpointer object) const {
        if (object)
            g_object_unref(object);
    }
};
using SettingsPtr = std::unique_ptr<GSettings, ObjectUnref>;

struct GFree {
    void operator()(gpointer p) const { g_free(p); }
};
using GCharPtr = std::unique_ptr<gchar, GFree>;

struct Flavour {
    const char* name;
    const char* schema;
    const char* pictureKey;  // "picture-uri" holds a URI, "picture-filename" a path
    bool pictureIsUri;
};

Flavour FlavourOf(GSettingsDesktop which) {
    switch (which) {
    case GSettingsDesktop::kCinnamon:
        return {"Cinnamon", "org.cinnamon.desktop.background", "picture-uri", true};
    case GSettingsDesktop::kMate:
        return {"MATE", "org.mate.background", "picture-filename", false};
    case GSettingsDesktop::kGnome:
    default:
        return {"GNOME", "org.gnome.desktop.background", "picture-uri", true};
    }
}

// The three schemas share these nicks; none of them is "none", so the
// desktop always shows a picture once they are written.
const char* OptionsFor(Placement placement) {
    switch (placement) {
    case Placement::kCentre:
        return "centered";
    case Placement::kTile:
        return "wallpaper";
    case Placement::kStretch:
    default:
        return "stretched";
    }
}

class GSettingsSetter : public WallpaperSetter {
public:
    explicit GSettingsSetter(GSettingsDesktop which) : flavour_(FlavourOf(which)) {}

    std::string Name() const override { return flavour_.name; }

    Outcome Apply(const std::string& file, const PixelView&, Placement placement) override {
        return Set(file, OptionsFor(placement));
    }

    // The desktop spreads a "spanned" picture over the box of all monitors,
    // so a picture of the whole layout puts each monitor's own on it.
    Outcome ApplySpanned(const std::string& file, const PixelView&) override {
        return Set(file, "spanned");
    }

private:
    Outcome Set(const std::string& file, const char* options) {
        const std::string prefix = std::string(flavour_.name) + ": ";
        if (file.empty())
            return {false, prefix + "no picture to show"};

        // g_settings_new() aborts the process on a schema that is not
        // installed; look it up first.
        GSettingsSchemaSource* source = g_settings_schema_source_get_default();
        SchemaPtr schema(source ? g_settings_schema_source_lookup(source, flavour_.schema, TRUE)
                                : nullptr);
        if (!schema)
            return {false, prefix + "the settings schema " + flavour_.schema + " is not installed"};
        if (!g_settings_schema_has_key(schema.get(), flavour_.pictureKey) ||
            !g_settings_schema_has_key(schema.get(), "picture-options"))
            return {false,
                    prefix + "the settings schema " + flavour_.schema + " lacks the picture keys"};

        GCharPtr absolute(g_canonicalize_filename(file.c_str(), nullptr));
        std::string value;
        if (flavour_.pictureIsUri) {
            GError* error = nullptr;
            GCharPtr uri(g_filename_to_uri(absolute.get(), nullptr, &error));
            if (!uri) {
                std::string why = error ? error->message : "invalid file name";
                g_clear_error(&error);
                return {false, prefix + "cannot make a URI of " + file + ": " + why};
            }
            value = uri.get();
        } else {
            value = absolute.get();
        }

        SettingsPtr settings(g_settings_new_full(schema.get(), nullptr, nullptr));
        std::vector<const char*> keys{flavour_.pictureKey, "picture-options"};
        // GNOME 42 and later show picture-uri-dark under the dark style.
        if (g_settings_schema_has_key(schema.get(), "picture-uri-dark"))
            keys.push_back("picture-uri-dark");
        for (const char* key : keys)
            if (!g_settings_is_writable(settings.get(), key))
                return {false, prefix + "the setting " + key + " is locked"};

        // Delayed, so that the desktop sees picture and options change together.
        g_settings_delay(settings.get());
        bool ok = g_settings_set_string(settings.get(), flavour_.pictureKey, value.c_str());
        if (g_settings_schema_has_key(schema.get(), "picture-uri-dark"))
            ok = g_settings_set_string(settings.get(), "picture-uri-dark", value.c_str()) && ok;
        ok = g_settings_set_string(settings.get(), "picture-options", options) && ok;
        EnsurePictureShown(schema.get(), settings.get());
        if (!ok) {
            g_settings_revert(settings.get());
            return {false, prefix + "the settings refused the new values"};
        }
        g_settings_apply(settings.get());
        // Written through to the backend before we report success.
        g_settings_sync();
        return {true,
                prefix + flavour_.pictureKey + " = " + value + ", picture-options = " + options};
    }

    // MATE can turn drawing the background off altogether.
    static void EnsurePictureShown(GSettingsSchema* schema, GSettings* settings) {
        if (g_settings_schema_has_key(schema, "draw-background") &&
            g_settings_is_writable(settings, "draw-background"))
            g_settings_set_boolean(settings, "draw-background", TRUE);
    }

    Flavour flavour_;
};

}  // namespace

std::unique_ptr<WallpaperSetter> MakeGSettingsSetter(GSettingsDesktop which) {
    return std::make_unique<GSettingsSetter>(which);
}

}  // namespace desktop
