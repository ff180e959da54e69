// One object store of an IndexedDB database, opened when first used. The
// function it gives runs work(store) in one transaction of `mode`; work
// may return a function that reads its requests' results, and the promise
// gives what that function gives once the transaction has committed.
export function objectStore(databaseName, storeName) {
  let database = null;
  const open = () =>
    (database ??= new Promise((resolve, reject) => {
      const request = indexedDB.open(databaseName, 1);
      request.onupgradeneeded = () => request.result.createObjectStore(storeName);
      request.onsuccess = () => resolve(request.result);
      request.onerror = () => reject(request.error);
    }));
  return (mode, work) =>
    open().then(
      (db) =>
        new Promise((resolve, reject) => {
          const transaction = db.transaction(storeName, mode);
          const answer = work(transaction.objectStore(storeName));
          transaction.oncomplete = () => resolve(answer && answer());
          transaction.onabort = () => reject(transaction.error);
        }),
    );
}
