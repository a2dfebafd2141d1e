#include "registration.h"

#include <algorithm>
#include <optional>

namespace {

const char kUsage[] =
    "Usage: wdreg_gui.exe -inf <INF file> install|uninstall\r\n"
    "\r\n"
    "install     installs the driver package that the INF file describes\r\n"
    "uninstall   removes that driver package";
const char kWrongMedium[] =
    "This is the 32-bit medium, but this Windows is 64-bit: a 32-bit program cannot install or remove "
    "drivers here.\r\nUse wdreg_gui.exe from the 64-bit medium.";
const char kNotAdministrator[] =
    "Installing or removing a driver needs administrator rights.\r\n"
    "Start wdreg_gui.exe again as an administrator.";
const char kRunFromMedium[] =
    "Run wdreg_gui.exe from the medium itself (the CD), or from a folder that only administrators can change.";

// The certificates that the tool makes for a package that Windows would not trust otherwise;
// uninstall finds them again by it.
const char kCertificateSubject[] = "CN=Quarn driver package (made on this machine)";
// How long the tool waits for Windows to finish installing devices, before it goes on anyway.
const unsigned long kSettleMilliseconds = 60000;

// Who may change what the tool trusts, besides the operator: SYSTEM, Administrators, TrustedInstaller.
const char* const kTrustedSids[] = {"S-1-5-18", "S-1-5-32-544",
                                    "S-1-5-80-956008885-3418522649-1831038044-1853292631-2271478464"};

// Names and IDs compare as Windows compares them: without regard to the case of ASCII letters.
std::string Folded(std::string text) {
    std::transform(text.begin(), text.end(), text.begin(),
                   [](unsigned char c) { return c >= 'A' && c <= 'Z' ? c - 'A' + 'a' : c; });
    return text;
}

bool Same(const std::string& a, const std::string& b) { return Folded(a) == Folded(b); }

bool Contains(const std::vector<std::string>& names, const std::string& name) {
    return std::any_of(names.begin(), names.end(), [&](const std::string& each) { return Same(each, name); });
}

std::string Joined(const std::vector<std::string>& names) {
    std::string text;
    for (const std::string& name : names) text += (text.empty() ? "" : ", ") + name;
    return text;
}

// Another version of our package: the same provider, and a board it is for. Its contents, date
// and version may differ.
bool SamePackage(const DriverPackage& ours, const DriverPackage& other) {
    if (!Same(ours.provider, other.provider)) return false;
    return std::any_of(other.hardwareIds.begin(), other.hardwareIds.end(),
                       [&](const std::string& id) { return Contains(ours.hardwareIds, id); });
}

// Windows publishes the packages of other makers as oem<n>.inf; the rest are its own.
bool PublishedForOtherMakers(const std::string& name) {
    std::string folded = Folded(name);
    if (folded.size() <= 7 || !folded.starts_with("oem") || !folded.ends_with(".inf")) return false;
    return std::all_of(folded.begin() + 3, folded.end() - 4, [](char c) { return c >= '0' && c <= '9'; });
}

// The folder of a file; a drive's root keeps its separator ("D:" alone is the drive's current
// directory).
std::string FolderOf(const std::string& path) {
    size_t end = path.find_last_of("\\/");
    if (end == std::string::npos) return ".";
    return end == 0 || path[end - 1] == ':' ? path.substr(0, end + 1) : path.substr(0, end);
}

std::string FileName(const std::string& path) { return path.substr(path.find_last_of("\\/") + 1); }

std::string InFolder(const std::string& folder, const std::string& name) {
    return folder.ends_with('\\') || folder.ends_with('/') ? folder + name : folder + "\\" + name;
}

// What Windows refused and what the operator can do, for the Setup API's signing errors.
std::string Advice(unsigned long error) {
    switch (error) {
    case kNoCatalogue:
        return "Windows refused the package because it has no signed catalogue that Windows can use; install from a "
               "signed release of the medium, with the catalogue beside the INF file.";
    case kNoAuthenticode:
        return "Windows refused the package because its catalogue bears no Authenticode signature that Windows "
               "accepts; install from a signed release of the medium.";
    case kPublisherRefused:
        return "Windows did not install the package because its publisher was not accepted as trusted; install "
               "again and choose Install when Windows asks about the publisher.";
    case kStoreAddFailed:
        return "Windows could not add the package to its driver store, most often because it refused the "
               "catalogue's signature; the reason is in the log %WINDIR%\\INF\\setupapi.dev.log.";
    case kNotInCatalogue:
        return "Windows refused the package because its catalogue does not list the INF file as it is now; use the "
               "INF file and its catalogue unchanged from the medium.";
    default:
        return "";
    }
}

Report Failed(const std::string& what, const Answer& answer) {
    std::string advice = Advice(answer.error);
    return {what + ":\r\n" + answer.description + (advice.empty() ? "" : "\r\n" + advice),
            static_cast<int>(answer.error)};
}

// The accounts besides SYSTEM, Administrators, TrustedInstaller and the operator who could
// change the file or folder, by name; none on a read-only medium.
std::vector<std::string> Others(const Access& access, const std::string& operatorSid) {
    std::vector<std::string> others;
    if (access.readOnlyMedium) return others;
    for (const Account& writer : access.writers) {
        bool trusted = (!operatorSid.empty() && writer.sid == operatorSid) ||
                       std::find(std::begin(kTrustedSids), std::end(kTrustedSids), writer.sid) != std::end(kTrustedSids);
        if (!trusted && !Contains(others, writer.name)) others.push_back(writer.name);
    }
    return others;
}

// With administrator rights, the tool acts on nothing that others could have changed.
std::optional<Report> Refusal(const std::string& what, const Access& access, DriverPlatform& platform,
                              const std::string& danger = "") {
    std::vector<std::string> others = Others(access, platform.OperatorSid());
    if (others.empty()) return std::nullopt;
    return Report{"Others than the administrators and you can change " + what + " (" + Joined(others) + ")" + danger +
                      ": the tool did nothing.\r\n" + kRunFromMedium,
                  static_cast<int>(kNotTrusted)};
}

// The INF file and its folder.
std::optional<Report> UntrustedPackage(const std::string& inf, const std::string& failure, DriverPlatform& platform) {
    for (const std::string& path : {inf, FolderOf(inf)}) {
        Access access;
        if (Answer answer = platform.Inspect(path, access); answer.error) return Failed(failure, answer);
        if (auto refusal = Refusal(path, access, platform)) return refusal;
    }
    return std::nullopt;
}

// Reads the INF file once nobody but the administrators and the operator could have changed it or
// its folder; the report is why not.
std::optional<Report> ReadTrustedPackage(const std::string& inf, const std::string& failure, DriverPlatform& platform,
                                         const Progress& progress, DriverPackage& package) {
    progress("Checking who can change the driver package…");
    if (auto refusal = UntrustedPackage(inf, failure, platform)) return refusal;
    progress("Reading the driver package " + inf + "…");
    if (Answer answer = platform.ReadPackage(inf, package); answer.error) return Failed(failure, answer);
    return std::nullopt;
}

// What goes to Windows: the package as it stands, or a copy signed for this machine alone.
struct Prepared {
    std::string inf;
    std::string folder;                      // the signed copy's, removed at the end
    std::optional<Certificate> certificate;  // the one that signed it, trusted by this machine
    std::string note;                        // what the tool made of the catalogue, for the window
    bool publisherAsked = false;             // Windows asks the operator whether to trust the publisher
};

// Signs a copy of the package with a certificate made for it alone, whose key is destroyed at once.
// On a failure nothing of it is left; `step` says which failed.
Answer SignCopy(const std::string& inf, const std::string& catalogue, DriverPlatform& platform, Prepared& prepared,
                std::string& step) {
    std::string folder;
    step = "copying the package";
    if (Answer answer = platform.CopyToNewFolder({inf, catalogue}, folder); answer.error) return answer;
    Certificate certificate;
    step = "making a certificate";
    Answer answer = platform.MakeCertificate(kCertificateSubject, platform.IsWindows7() ? Hash::Sha1 : Hash::Sha256,
                                             certificate);
    if (!answer.error) {
        step = "signing the catalogue";
        answer = platform.SignCatalogue(InFolder(folder, FileName(catalogue)), certificate);
        Answer destroyed = platform.DestroyKey(certificate);  // whatever came of the signing
        if (!answer.error && destroyed.error) {
            step = "destroying the certificate's key";
            answer = destroyed;
        }
    }
    if (!answer.error) {
        step = "adding the certificate to the machine's trusted ones";
        answer = platform.AddToTrustedStores(certificate);
    }
    if (answer.error) {
        platform.RemoveFolder(folder);
        return answer;
    }
    prepared.inf = InFolder(folder, FileName(inf));
    prepared.folder = folder;
    prepared.certificate = certificate;
    return {};
}

// Windows 8 and later install a package only with a catalogue whose signature chains to a trusted
// root; Windows 7 warns without one. A catalogue without such a signature is signed on this
// machine, for this machine alone, where it lists nothing but the INF file.
Prepared Prepare(const std::string& inf, const std::string& catalogue, DriverPlatform& platform,
                 const Progress& progress) {
    Prepared prepared;
    prepared.inf = inf;
    if (catalogue.empty()) return prepared;
    const std::string asItStands = "The package went to Windows as it stands: its catalogue " + catalogue;
    progress("Checking the signature of the driver package's catalogue…");
    std::vector<std::string> members;
    std::string hash;
    Signature signature = Signature::None;
    Answer answer = platform.CatalogueMembers(catalogue, members);
    if (!answer.error) answer = platform.MemberHash(inf, hash);
    if (!answer.error) answer = platform.CatalogueSignature(catalogue, signature);
    if (answer.error) {
        prepared.note = asItStands + " could not be checked (" + answer.description + ").";
    } else if (!Contains(members, hash)) {
        prepared.note = asItStands + " does not list the INF file as it is now.";
    } else if (signature == Signature::TrustedRoot) {
        prepared.publisherAsked = true;
    } else if (signature == Signature::None && members.size() > 1) {
        prepared.note = asItStands + " bears no signature that Windows trusts, and lists more than the INF file, "
                                     "so the tool does not sign it on this machine.";
    } else if (signature == Signature::None) {
        progress("Signing the driver package for this machine…");
        std::string step;
        if (Answer signing = SignCopy(inf, catalogue, platform, prepared, step); signing.error)
            prepared.note = asItStands + " bears no signature that Windows trusts, and signing it on this machine "
                                         "failed (" + step + ": " + signing.description + "); nothing of that was kept.";
        else
            prepared.note = "Its catalogue bore no signature that Windows trusts, so the tool signed a copy for this "
                            "machine alone, with a certificate made here that this machine now trusts and whose "
                            "private key the tool destroyed at once.";
    }
    return prepared;
}

Report Install(const std::string& inf, DriverPlatform& platform, const Progress& progress) {
    const std::string failure = "Could not install the driver package " + inf;
    DriverPackage package;
    if (auto refusal = ReadTrustedPackage(inf, failure, platform, progress, package)) return *refusal;
    std::string catalogue = package.catalogue.empty() ? "" : InFolder(FolderOf(inf), package.catalogue);
    if (!catalogue.empty()) {
        Access access;
        if (Answer answer = platform.Inspect(catalogue, access); answer.error)
            return Failed(failure + (answer.error == kFileNotFound ? ": its catalogue " + catalogue + " is missing"
                                                                   : " (its catalogue " + catalogue + ")"),
                          answer);
        if (auto refusal = Refusal(catalogue, access, platform)) return *refusal;
    }

    Prepared prepared = Prepare(inf, catalogue, platform, progress);
    // The signed copy's folder goes whatever comes of the rest: the driver store holds its own copy.
    auto finish = [&](Report report) {
        if (!prepared.folder.empty()) platform.RemoveFolder(prepared.folder);
        if (!prepared.note.empty()) report.text += "\r\n" + prepared.note;
        return report;
    };
    std::string published;
    progress(prepared.publisherAsked
                 ? "Copying the driver package into the driver store (Windows asks whether to trust its publisher)…"
                 : "Copying the driver package into the driver store…");
    if (Answer answer = platform.Stage(prepared.inf, published); answer.error) {
        if (prepared.certificate) {
            platform.RemoveFromTrustedStores(*prepared.certificate);
            prepared.note = "Its catalogue bears no signature that Windows trusts; Windows refused the copy that "
                            "the tool signed for this machine too, and the certificate made for it was removed again.";
        }
        return finish(Failed(failure, answer));
    }
    std::string installed = "Installed the driver package " + inf + " as " + published + ".";

    // Each board plugged in gets the driver now, unless its own suits it as well or better.
    bool bound = false, kept = false, restart = false;
    progress("Waiting for Windows to finish installing devices…");
    platform.WaitForDeviceInstallations(kSettleMilliseconds);
    progress("Installing the driver for the boards plugged in…");
    for (const std::string& id : package.hardwareIds) {
        Answer answer = platform.Bind(prepared.inf, id, restart);
        if (answer.error == kNoSuchDevice) continue;
        if (answer.error == kNoMoreItems) {
            kept = true;
        } else if (answer.error) {
            return finish(
                Failed(installed + "\r\nBut it could not be installed for the board plugged in (" + id + ")", answer));
        } else {
            bound = true;
        }
    }
    std::string boards = bound  ? "The board plugged in now uses this driver."
                         : kept ? "The board plugged in keeps its driver, which suits it as well or better."
                                : "The board gets this driver when it is next plugged in.";
    return finish({installed + "\r\n" + boards + (restart ? "\r\nRestart Windows to finish the installation." : ""), 0});
}

Report Uninstall(const std::string& inf, DriverPlatform& platform, const Progress& progress) {
    const std::string failure = "Could not remove the driver package " + inf;
    DriverPackage package;
    if (auto refusal = ReadTrustedPackage(inf, failure, platform, progress, package)) return *refusal;

    std::vector<StoredPackage> stored;
    progress("Looking for the driver package in the driver store…");
    if (Answer answer = platform.StoredPackages(stored); answer.error) return Failed(failure, answer);
    std::vector<std::string> ours;
    for (const StoredPackage& each : stored)
        if ((platform.IsWine() || PublishedForOtherMakers(each.publishedName)) && SamePackage(package, each.package))
            ours.push_back(each.publishedName);
    std::vector<Certificate> certificates;
    if (Answer answer = platform.TrustedCertificates(kCertificateSubject, certificates); answer.error)
        return Failed(failure, answer);
    if (ours.empty() && certificates.empty())
        return {"The driver package " + inf + " is not installed: nothing was removed.",
                static_cast<int>(kFileNotFound)};

    // The devices first: a package still in use would stay behind them.
    std::vector<Device> devices;
    progress("Waiting for Windows to finish installing devices…");
    platform.WaitForDeviceInstallations(kSettleMilliseconds);
    progress("Removing the driver from the devices that use it…");
    if (Answer answer = platform.Devices(devices); answer.error) return Failed(failure, answer);
    int removed = 0;
    bool restart = false;
    for (const Device& device : devices) {
        if (!Contains(ours, device.infName)) continue;
        if (Answer answer = platform.RemoveDevice(device.instanceId, restart); answer.error)
            return Failed(failure + " from the device " + device.instanceId, answer);
        ++removed;
    }
    for (const std::string& name : ours) {
        progress("Removing " + name + " from the driver store…");
        if (Answer answer = platform.RemoveFromStore(name); answer.error)
            return Failed(failure + " (" + name + ")", answer);
    }
    // Nothing installed needs them any more.
    for (const Certificate& certificate : certificates)
        if (Answer answer = platform.RemoveFromTrustedStores(certificate); answer.error)
            return Failed(failure + ": the certificate made for it on this machine stays trusted", answer);

    std::string text = ours.empty() ? "The driver package " + inf + " is not installed."
                                    : "Removed the driver package " + inf + " (" + Joined(ours) + ").";
    if (removed)
        text += "\r\nRemoved with it the devices that used it (" + std::to_string(removed) +
                "): a board plugged in has no driver until it is installed again.";
    if (!certificates.empty())
        text += "\r\nRemoved the certificates made for it on this machine (" + std::to_string(certificates.size()) + ").";
    if (restart) text += "\r\nRestart Windows to finish removing the driver.";
    return {text, 0};
}

// Without its update KB2533623, Windows 7 looks for the DLLs that system code loads by name in the
// program's own folder first: run with administrator rights from a folder that others can change,
// the tool would run what they put there.
std::optional<Report> UntrustedOwnFolder(DriverPlatform& platform) {
    if (platform.LoadsDllsFromSystem32Only()) return std::nullopt;
    std::string folder = platform.OwnFolder();
    Access access;
    if (Answer answer = platform.Inspect(folder, access); answer.error)
        return Failed("Could not check who can change the folder that wdreg_gui.exe runs from, " + folder, answer);
    return Refusal("the folder that wdreg_gui.exe runs from, " + folder, access, platform,
                   ", and this Windows lacks the update KB2533623 that keeps programs from loading DLLs from there");
}

}  // namespace

Report Register(const std::vector<std::string>& arguments, DriverPlatform& platform, const Progress& progress) {
    bool valid = arguments.size() == 3 && (Same(arguments[0], "-inf") || Same(arguments[0], "/inf")) &&
                 !arguments[1].empty() && (Same(arguments[2], "install") || Same(arguments[2], "uninstall"));
    if (!valid) return {kUsage, kBadArguments};
    // Driver installation from a 32-bit process on 64-bit Windows fails (ERROR_IN_WOW64) at
    // whichever step; the operator learns at once which medium to take.
    if (platform.IsWow64()) return {kWrongMedium, static_cast<int>(kInWow64)};
    if (!platform.IsAdministrator()) return {kNotAdministrator, static_cast<int>(kElevationRequired)};
    if (auto refusal = UntrustedOwnFolder(platform)) return *refusal;
    const std::string& inf = arguments[1];
    return Same(arguments[2], "install") ? Install(inf, platform, progress) : Uninstall(inf, platform, progress);
}
