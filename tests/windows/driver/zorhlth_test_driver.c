/* The kernel side of the test health driver: creates the device "\Device\ZorHlth" with its link "ZorHlth",
 * completes opens and closes, and hands each device control request to the test log (test_log.cpp) under a
 * spin lock. Loaded by Wine's driver host in the tests; never installed. */
#include <ntddk.h>

void TestLogInit(void* storage);
unsigned long long TestLogStorageSize(void);
long long TestLogControl(unsigned int code, void* buffer, unsigned int inputSize, unsigned int outputSize);

static void* g_storage;
static KSPIN_LOCK g_lock;
static PDEVICE_OBJECT g_device;
static UNICODE_STRING g_deviceName;
static UNICODE_STRING g_linkName;

static NTSTATUS Complete(PIRP irp, NTSTATUS status, ULONG_PTR information) {
    irp->IoStatus.Status = status;
    irp->IoStatus.Information = information;
    IoCompleteRequest(irp, IO_NO_INCREMENT);
    return status;
}

static NTSTATUS DispatchOpenClose(PDEVICE_OBJECT device, PIRP irp) {
    (void)device;
    return Complete(irp, STATUS_SUCCESS, 0);
}

static NTSTATUS DispatchControl(PDEVICE_OBJECT device, PIRP irp) {
    (void)device;
    PIO_STACK_LOCATION stack = IoGetCurrentIrpStackLocation(irp);
    ULONG code = stack->Parameters.DeviceIoControl.IoControlCode;
    ULONG inputSize = stack->Parameters.DeviceIoControl.InputBufferLength;
    ULONG outputSize = stack->Parameters.DeviceIoControl.OutputBufferLength;
    void* buffer = irp->AssociatedIrp.SystemBuffer;
    if (buffer == NULL && (inputSize != 0 || outputSize != 0)) {
        return Complete(irp, STATUS_INVALID_PARAMETER, 0);
    }
    KIRQL irql;
    KeAcquireSpinLock(&g_lock, &irql);
    long long answered = TestLogControl(code, buffer, inputSize, outputSize);
    KeReleaseSpinLock(&g_lock, irql);
    if (answered < 0) {
        return Complete(irp, STATUS_UNSUCCESSFUL, 0);
    }
    return Complete(irp, STATUS_SUCCESS, (ULONG_PTR)answered);
}

static void Unload(PDRIVER_OBJECT driver) {
    (void)driver;
    IoDeleteSymbolicLink(&g_linkName);
    IoDeleteDevice(g_device);
    ExFreePool(g_storage);
}

NTSTATUS DriverEntry(PDRIVER_OBJECT driver, PUNICODE_STRING registryPath) {
    (void)registryPath;
    g_storage = ExAllocatePoolWithTag(NonPagedPool, (SIZE_T)TestLogStorageSize(), 0x686c725a);
    if (g_storage == NULL) {
        return STATUS_INSUFFICIENT_RESOURCES;
    }
    TestLogInit(g_storage);
    KeInitializeSpinLock(&g_lock);
    RtlInitUnicodeString(&g_deviceName, L"\\Device\\ZorHlth");
    RtlInitUnicodeString(&g_linkName, L"\\DosDevices\\ZorHlth");
    NTSTATUS status = IoCreateDevice(driver, 0, &g_deviceName, FILE_DEVICE_UNKNOWN, 0, FALSE, &g_device);
    if (!NT_SUCCESS(status)) {
        ExFreePool(g_storage);
        return status;
    }
    status = IoCreateSymbolicLink(&g_linkName, &g_deviceName);
    if (!NT_SUCCESS(status)) {
        IoDeleteDevice(g_device);
        ExFreePool(g_storage);
        return status;
    }
    driver->MajorFunction[IRP_MJ_CREATE] = DispatchOpenClose;
    driver->MajorFunction[IRP_MJ_CLOSE] = DispatchOpenClose;
    driver->MajorFunction[IRP_MJ_DEVICE_CONTROL] = DispatchControl;
    driver->DriverUnload = Unload;
    return STATUS_SUCCESS;
}
