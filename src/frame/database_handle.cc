#include "frame/database_handle.h"

#include "storage/account.h"
#include "storage/folder_chain.h"
#include "storage/storage_paths.h"
#include "storage/transaction.h"

namespace mvdb {

namespace {

std::optional<std::string> ReadServerHostName() {
    const std::unique_ptr<format::ConfigKey> key = OpenConfigKey(kHostManKey);
    if (!key) return std::nullopt;
    return format::ReadHostName(*key);
}

}  // namespace

std::unique_ptr<DatabaseHandle> DatabaseHandle::Open() {
    std::unique_ptr<platform::NamedMarker> marker;
    // Creating the mutex is the test: when it existed, another handle is
    // open. When it cannot be created at all, no open here could be told
    // from another one, so none is made.
    if (platform::CreateMarker(kDuplicationMutexName, &marker) != platform::MarkerResult::kCreated) {
        return nullptr;
    }

    std::unique_ptr<DatabaseHandle> handle(new DatabaseHandle());
    handle->duplicationMutex_ = std::move(marker);
    handle->codePage_ = platform::CurrentCodePage();
    if (std::optional<std::string> host = ReadServerHostName()) handle->serverHostName_ = *host;
    handle->account_ = std::make_unique<SharedAccount>();
    if (!handle->OpenJournal()) return nullptr;
    // What the first load writes (a new database, defaults) is one change.
    Transaction creation(handle->journal_.get(), false);
    // The category file's account is loaded first; the media file's replaces it.
    handle->categories_ = std::make_unique<CategoryDatabase>(*handle->account_, *handle->codePage_);
    handle->media_ = std::make_unique<MediaDatabase>(*handle->account_, *handle->codePage_);
    if (!handle->serverHostName_.empty()) handle->media_->SetHostName(handle->serverHostName_);
    handle->clients_ = std::make_unique<ClientDatabase>(*handle->account_, *handle->codePage_);
    creation.Commit();
    handle->catalogue_ =
        std::make_unique<Catalogue>(*handle->categories_, *handle->media_, *handle->clients_);
    return handle;
}

bool DatabaseHandle::OpenJournal() {
    Journal::Paths paths;
    paths.files[0] = format::kCategoryFormat.fileName;
    ResolveCataloguePath(format::kCategoryFormat, &paths.files[0]);
    MediaLocations media;
    media.filePath = format::kMediaFormat.fileName;
    ResolveMediaLocations(&media, *codePage_);
    paths.files[1] = media.filePath;
    paths.infoFolder = media.infoFolder;
    paths.files[2] = format::kClientFormat.fileName;
    ResolveCataloguePath(format::kClientFormat, &paths.files[2]);
    // The journal lives beside the media file, whose folder the media store
    // would create anyway.
    CreateFolderChain(paths.files[1], 0, *codePage_);
    bool replayFailed = false;
    journal_ = Journal::Open(Journal::PathBeside(paths.files[1]), paths, &replayFailed);
    // Without a journal (another opener holds it, or the folder is read-only)
    // the stores write straight to their files; but never over files that
    // still miss changes the journal holds.
    return !replayFailed;
}

int32_t DatabaseHandle::SetAccount(const DBAccount& account) {
    Transaction change(journal_.get());
    const DBAccount former = account_->Get();
    account_->Update([&account](DBAccount& shared) { CopyAccountIn(account, &shared); });
    change.OnRollback(
        [this, former] { account_->Update([&former](DBAccount& shared) { shared = former; }); });
    categories_->WriteAccount();
    media_->WriteAccount();
    clients_->WriteAccount();
    return change.Commit();
}

DatabaseHandle::~DatabaseHandle() {
    catalogue_.reset();
    // The journal's last checkpoint flushes the stores' files: it goes first.
    if (journal_) journal_->Close();
    media_.reset();
    clients_.reset();
    categories_.reset();
    account_.reset();
    journal_.reset();
    duplicationMutex_.reset();
}

}  // namespace mvdb
